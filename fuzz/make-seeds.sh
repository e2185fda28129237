#!/bin/sh
# Writes a small seed corpus of index files into the folder given (default: seeds).
set -eu
out=${1:-seeds}
mkdir -p "$out"
printf '<disktype fixed\r\n<Serial 1a2b-3c4d\r\n<DiskLabel DATA\r\n<StartDir C:\\\r\nC:\\docs\\letter.txt\r\nC:\\docs\\old\\note.txt\r\nC:\\readme.txt/any further text\r\n' >"$out/named.idx"
printf '<fixed\r<12-34\r<DATA\r<C:\\\r<StartDir C:\\\rC:\\a\\x.txt\rC:\\b\\y.txt\rC:\\a\\z.txt\r' >"$out/positional-cr.idx"
printf '<disktype cd-rom\n<StartDir C:\\\nC:\\x\n' >"$out/lf-only.idx"
printf '<DISKTYPE CD-ROM\r\n<StartDir c:\\\r\nC:\\DOCS\\x\r\nC:\\docs\\y\r\nC:\\docs\\old\\\r\nC:\\\\twice\\z\r\nC:\\..\\up\r\n\r\nC:\\a\\\xe9t\xe9\\\x80.txt\r\n' >"$out/cases.idx"
printf '<disktype fixed\r\n<StartDir C:\\\r\nC:\\A\\A\\A\\A\\f\r\nC:\\a\\a\\a\\a\\f\r\nC:\\A\\A\\A\\A\\f\r\n' >"$out/repeats.idx"
