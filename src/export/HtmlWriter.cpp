#include "ExportWriter.h"

#include "common/mdlConvert.h"

#include <QHash>

namespace {

// Nothing is fetched: the policy refuses every source but the page's own inline style and script.
const char kHead[] = R"PAGE(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="generator" content="Ledra">
<title>)PAGE";

const char kStyle[] = R"PAGE(</title>
<style>
body { font: 14px/1.4 sans-serif; margin: 1em 2em; color: #222; }
table.facts th { text-align: left; padding-right: 1em; font-weight: normal; color: #666; }
table.facts td { white-space: pre-wrap; }
#search { width: 30em; max-width: 100%; margin: 1em 0; padding: 0.3em; }
ul { list-style: none; margin: 0; padding-left: 1.4em; }
#tree, #results { padding-left: 0; }
.line { cursor: default; white-space: pre; }
li.open > .line, li.closed > .line { cursor: pointer; }
li.closed > ul { display: none; }
.twisty { display: inline-block; width: 1.2em; color: #666; }
.folder { font-weight: bold; }
.size, .where { color: #777; margin-left: 1em; }
.note { color: #777; }
</style>
</head>
<body>
)PAGE";

const char kScript[] = R"PAGE(</script>
<script>
"use strict";
(function () {
  var data = JSON.parse(document.getElementById("ledra-data").textContent);
  // Each item: [id, parent id, type (0 folder, 1 file), name, bytes, size text, modified].
  var items = data.items;
  var kids = new Map(), folders = new Map();
  for (var i = 0; i < items.length; i++) {
    var it = items[i];
    if (it[2] === 0) folders.set(it[0], i);
    var list = kids.get(it[1]);
    if (list === undefined) { list = []; kids.set(it[1], list); }
    list.push(i);
  }
  var collator = new Intl.Collator(undefined, { sensitivity: "base", numeric: true });
  var CHUNK = 500;

  function line(i, text) {
    var it = items[i];
    var span = document.createElement("span");
    span.className = "line";
    span.title = it[4] + " bytes" + (it[6] ? ", modified " + it[6] : "");
    var twisty = document.createElement("span");
    twisty.className = "twisty";
    var name = document.createElement("span");
    name.className = it[2] === 0 ? "name folder" : "name";
    name.textContent = text;
    var size = document.createElement("span");
    size.className = "size";
    size.textContent = it[5];
    span.append(twisty, name, size);
    return span;
  }

  function row(i) {
    var it = items[i];
    var li = document.createElement("li");
    var span = line(i, it[3]);
    li.appendChild(span);
    if (it[2] === 0 && kids.has(it[0])) {
      li.className = "closed";
      span.firstChild.textContent = "\u25B8";
      span.addEventListener("click", function () { toggle(li, it[0]); });
    }
    return li;
  }

  // Long folders come in chunks, so opening one never builds thousands of rows at once.
  function fill(ul, list, from, make) {
    var end = Math.min(list.length, from + CHUNK);
    var frag = document.createDocumentFragment();
    for (var k = from; k < end; k++) frag.appendChild(make(list[k]));
    ul.appendChild(frag);
    if (end < list.length) {
      var more = document.createElement("li");
      var button = document.createElement("button");
      button.type = "button";
      button.textContent = "Show " + Math.min(CHUNK, list.length - end) + " more (" +
        (list.length - end) + " left)";
      button.addEventListener("click", function () { ul.removeChild(more); fill(ul, list, end, make); });
      more.appendChild(button);
      ul.appendChild(more);
    }
  }

  function childrenOf(id) {
    var list = kids.get(id) || [];
    if (!list.sorted) {
      list.sort(function (a, b) {
        var A = items[a], B = items[b];
        return A[2] !== B[2] ? A[2] - B[2] : collator.compare(A[3], B[3]);
      });
      list.sorted = true;
    }
    return list;
  }

  function toggle(li, id) {
    var ul = li.lastChild;
    if (ul.tagName !== "UL") {
      ul = document.createElement("ul");
      li.appendChild(ul);
      fill(ul, childrenOf(id), 0, row);
    }
    var opening = li.className === "closed";
    li.className = opening ? "open" : "closed";
    li.firstChild.firstChild.textContent = opening ? "\u25BE" : "\u25B8";
  }

  function pathOf(i) {
    var parts = [items[i][3]], p = items[i][1], guard = 0;
    while (p !== data.root && folders.has(p) && guard++ < 4096) {
      var f = items[folders.get(p)];
      parts.push(f[3]);
      p = f[1];
    }
    return data.several ? parts.reverse().join(": ") : data.base + parts.reverse().join("/");
  }

  var tree = document.getElementById("tree"), results = document.getElementById("results");
  var note = document.getElementById("note"), lower = null, timer = 0;
  fill(tree, childrenOf(data.root), 0, row);

  function search() {
    var q = document.getElementById("search").value.toLowerCase();
    results.textContent = "";
    if (q === "") {
      tree.hidden = false; results.hidden = true; note.textContent = "";
      return;
    }
    if (lower === null) lower = items.map(function (it) { return it[3].toLowerCase(); });
    var found = [];
    for (var k = 0; k < lower.length; k++) if (lower[k].indexOf(q) >= 0) found.push(k);
    note.textContent = found.length + (found.length === 1 ? " item found" : " items found");
    fill(results, found, 0, function (k) {
      var li = document.createElement("li");
      li.appendChild(line(k, pathOf(k)));
      return li;
    });
    tree.hidden = true; results.hidden = false;
  }
  document.getElementById("search").addEventListener("input", function () {
    clearTimeout(timer);
    timer = setTimeout(search, 250);
  });
})();
</script>
</body>
</html>
)PAGE";

QString html(const QString& text) {
    return text.toHtmlEscaped();
}

// One page: the facts as a table, a search box, and a tree that the page's script builds from
// the rows kept as JSON data, one folder at a time as the reader opens it.
class HtmlWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;

    bool needsPaths() const override { return false; }

    void begin(const ExportFacts& facts) override {
        m_several = facts.severalImages;
        put(kHead);
        put(html(facts.title));
        put(kStyle);
        put(QStringLiteral("<h1>%1</h1>\n<table class=\"facts\">\n").arg(html(facts.title)));
        for (const auto& [label, text] : facts.facts)
            put(QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n").arg(html(label), html(text)));
        put("</table>\n<input id=\"search\" type=\"search\" placeholder=\"Search names\" "
            "aria-label=\"Search names\">\n<p id=\"note\" class=\"note\"></p>\n"
            "<ul id=\"tree\"></ul>\n<ul id=\"results\" hidden></ul>\n"
            "<script type=\"application/json\" id=\"ledra-data\">{\"root\":");
        put(QByteArray::number(m_several ? 0 : facts.rootId));
        QString base = facts.rootPath;
        if (!base.endsWith(u'/'))
            base += u'/';
        put(",\"base\":" + JsonString(base, true) +
            ",\"several\":" + (m_several ? "true" : "false") + ",\"items\":[\n");
    }

    void item(const ExportItem& i) override {
        qint64 id = i.id;
        qint64 parent = i.parentId;
        QString name = i.name;
        if (m_several) {
            // Rows of several images hang under one entry per image, each shown by its path.
            auto image = m_imageNodes.find(i.imageId);
            if (image == m_imageNodes.end()) {
                image = m_imageNodes.insert(i.imageId, ++m_lastNode);
                row(*image, 0, true, i.imageName, 0);
            }
            id = ++m_lastNode;
            parent = *image;
            name = i.path;
        }
        row(id, parent, i.folder, name, i.folder ? i.treeSize : i.size, i.modified);
    }

protected:
    void end() override {
        put("]}\n");
        put(kScript);
    }

private:
    void row(qint64 id, qint64 parent, bool folder, const QString& name, qint64 size,
             const QString& modified = {}) {
        QByteArray line = m_first ? QByteArray("[") : QByteArray(",\n[");
        m_first = false;
        line += QByteArray::number(id) + ',' + QByteArray::number(parent) + ',' +
                (folder ? '0' : '1') + ',' + JsonString(name, true) + ',' +
                QByteArray::number(size) + ',' + JsonString(SizeText(size), true) + ',' +
                JsonString(modified, true) + ']';
        put(line);
    }

    bool m_several = false;
    bool m_first = true;
    QHash<qint32, qint64> m_imageNodes;
    qint64 m_lastNode = 0;
};

} // namespace

std::unique_ptr<ExportWriter> MakeHtmlWriter(QIODevice* out) {
    return std::make_unique<HtmlWriter>(out);
}
