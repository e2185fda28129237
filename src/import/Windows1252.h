#pragma once

#include <QByteArray>
#include <QString>

// The 8-bit code page that foreign index files are written in. Every byte maps to exactly one
// character (0x80-0x9F by the code page's own table, the unassigned five to the C1 controls of
// the same value), so a text's character positions are its byte positions.
QString Cp1252Decode(const char* data, qsizetype size);
inline QString Cp1252Decode(const QByteArray& bytes) {
    return Cp1252Decode(bytes.constData(), bytes.size());
}
// False when a character has no byte in the code page; out then holds nothing useful.
bool Cp1252Encode(const QString& text, QByteArray* out);

// Byte-wise case mappings inside the code page, the same as decoding, QChar::toLower/toUpper and
// encoding again; a byte whose mapped character is outside the code page stays as it is.
unsigned char Cp1252Lower(unsigned char byte);
unsigned char Cp1252Upper(unsigned char byte);
// Lower-cases size bytes from in to out (which may be the same buffer).
void Cp1252LowerBytes(const char* in, char* out, qsizetype size);
