#include "ctlCmnDlg.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

namespace {

ctlCmnDlg::TestHook& testHook() {
    static ctlCmnDlg::TestHook hook;
    return hook;
}

QColor fromColorRef(quint32 c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

quint32 toColorRef(const QColor& c) {
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

} // namespace

void ctlCmnDlg::setTestHook(TestHook hook) {
    testHook() = std::move(hook);
}

ctlCmnDlg::ctlCmnDlg(QWidget* owner) : QObject(owner), m_owner(owner) {}

ctlCmnDlg::~ctlCmnDlg() = default;

void ctlCmnDlg::setFileName(const QString& name) {
    m_fileName = name;
    m_changed = true;
    // The last part of the path, as a file chooser would present it; a folder path has none.
    m_fileTitle = name.isEmpty() || name.endsWith(u'/') ? QString() : QFileInfo(name).fileName();
}

QStringList ctlCmnDlg::nameFilters(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(u'|');
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i).trimmed();
        // The patterns in the description are shown by the dialog from the pattern part.
        const int paren = description.lastIndexOf(u'(');
        if (paren > 0 && description.endsWith(u')'))
            description = description.left(paren).trimmed();
        QStringList patterns;
        for (QString p : parts.at(i + 1).split(u';', Qt::SkipEmptyParts)) {
            p = p.trimmed();
            // "*.*" means every file, names without a dot included.
            patterns << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
        }
        out << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return out;
}

ctlCmnDlg::Exchange ctlCmnDlg::request(int operation) const {
    Exchange x;
    x.operation = operation;
    x.title = m_dialogTitle;
    if (x.title.isEmpty() && operation == ActionOpen)
        x.title = QStringLiteral("Open");
    if (x.title.isEmpty() && operation == ActionSave)
        x.title = QStringLiteral("Save As");
    x.filters = nameFilters(m_filter);
    x.fileName = m_fileName;
    x.initDir = m_initDir;
    x.defaultExt = m_defaultExt;
    x.filterIndex = m_filterIndex;
    x.flags = m_flags;
    x.color = m_color;
    QFont f(m_fontName);
    f.setPointSize(m_fontSize > 0 ? m_fontSize : 8);
    f.setBold(m_fontBold);
    f.setItalic(m_fontItalic);
    f.setUnderline(m_fontUnderline);
    f.setStrikeOut(m_fontStrikeThru);
    x.font = f;
    x.copies = m_copies;
    x.fromPage = m_fromPage;
    x.toPage = m_toPage;
    return x;
}

void ctlCmnDlg::setAction(int action) {
    if (action < ActionOpen || action > ActionHelp)
        return;
    m_lastError = 0;
    Exchange x = request(action);
    bool ok = false;
    if (testHook()) {
        ok = testHook()(x);
    } else {
        switch (action) {
        case ActionOpen:
        case ActionSave:
            ok = runFile(x);
            break;
        case ActionColor:
            ok = runColor(x);
            break;
        case ActionFont:
            ok = runFont(x);
            break;
        case ActionPrinter:
            ok = runPrinter(x);
            break;
        case ActionHelp:
            ok = runHelp();
            break;
        }
    }
    if (!ok) {
        m_lastError = kCancelError;
        return;
    }
    switch (action) {
    case ActionOpen:
    case ActionSave:
        m_flags = x.flags;
        m_fileName = x.fileName;
        m_fileTitle = QFileInfo(x.fileName).fileName();
        m_filterIndex = x.filterIndex;
        break;
    case ActionColor:
        m_color = x.color;
        m_flags = x.flags;
        break;
    case ActionFont:
        m_color = x.color;
        m_flags = x.flags;
        m_fontBold = x.font.bold();
        m_fontItalic = x.font.italic();
        m_fontUnderline = x.font.underline();
        m_fontStrikeThru = x.font.strikeOut();
        m_fontName = x.font.family();
        m_fontSize = x.font.pointSize();
        break;
    case ActionPrinter:
        m_copies = x.copies;
        m_flags = x.flags;
        m_fromPage = x.fromPage;
        m_toPage = x.toPage;
        break;
    default:
        break;
    }
}

bool ctlCmnDlg::runFile(Exchange& x) {
    QFileDialog dialog(m_owner, x.title);
    // The Qt-drawn dialog, so that the read-only check box can be added to it.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(x.filters);
    if (x.filterIndex >= 1 && x.filterIndex <= x.filters.size())
        dialog.selectNameFilter(x.filters.at(x.filterIndex - 1));
    if (!x.initDir.isEmpty())
        dialog.setDirectory(x.initDir);
    if (!x.defaultExt.isEmpty())
        dialog.setDefaultSuffix(x.defaultExt);
    if (!x.fileName.isEmpty()) {
        const QFileInfo info(x.fileName);
        if (x.initDir.isEmpty() && info.dir().exists())
            dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    QCheckBox* readOnly = nullptr;
    if (x.operation == ActionOpen) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (!(x.flags & kFlagHideReadOnly)) {
            readOnly = new QCheckBox(QStringLiteral("Open as &read-only"), &dialog);
            readOnly->setObjectName(QStringLiteral("chkReadOnly"));
            readOnly->setChecked(x.flags & kFlagReadOnly);
            if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
                grid->addWidget(readOnly, grid->rowCount(), 0, 1, grid->columnCount());
        }
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !(x.flags & kFlagOverwritePrompt));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    x.fileName = dialog.selectedFiles().constFirst();
    x.filterIndex = int(x.filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (readOnly) {
        x.flags = readOnly->isChecked() ? (x.flags | kFlagReadOnly) : (x.flags & ~kFlagReadOnly);
    }
    return true;
}

bool ctlCmnDlg::runColor(Exchange& x) {
    const QColor c = QColorDialog::getColor(fromColorRef(x.color), m_owner);
    if (!c.isValid())
        return false;
    x.color = toColorRef(c);
    return true;
}

bool ctlCmnDlg::runFont(Exchange& x) {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, x.font, m_owner);
    if (!ok)
        return false;
    x.font = f;
    return true;
}

bool ctlCmnDlg::runPrinter(Exchange& x) {
    auto printer = std::make_unique<QPrinter>();
    printer->setCopyCount(x.copies > 0 ? x.copies : 1);
    if (x.fromPage > 0 || x.toPage > 0)
        printer->setFromTo(x.fromPage, x.toPage);
    QPrintDialog dialog(printer.get(), m_owner);
    if (m_max > 0)
        dialog.setMinMax(m_min, m_max);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    x.copies = printer->copyCount();
    x.fromPage = printer->fromPage();
    x.toPage = printer->toPage();
    m_printer = std::move(printer);
    return true;
}

bool ctlCmnDlg::runHelp() {
    if (m_helpFile.isEmpty())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(m_helpFile));
}

QVariantMap ctlCmnDlg::writeProperties() const {
    QVariantMap out;
    auto put = [&out](const char* name, const QVariant& value, const QVariant& def) {
        if (value != def)
            out.insert(QLatin1String(name), value);
    };
    put("Color", m_color, 0u);
    put("Copies", m_copies, 1);
    put("DefaultExt", m_defaultExt, QString());
    put("DialogTitle", m_dialogTitle, QString());
    put("FileName", m_fileName, QString());
    put("Filter", m_filter, QString());
    put("FilterIndex", m_filterIndex, 0);
    put("Flags", m_flags, 0);
    put("FontBold", m_fontBold, false);
    put("FontCharset", m_fontCharset, 0);
    put("FontItalic", m_fontItalic, false);
    put("FontName", m_fontName, QString());
    put("FontSize", m_fontSize, 8);
    put("FontStrikeThru", m_fontStrikeThru, false);
    put("FontUnderline", m_fontUnderline, false);
    put("FromPage", m_fromPage, 0);
    put("HelpCommand", m_helpCommand, 0);
    put("HelpContext", m_helpContext, 0);
    put("HelpFile", m_helpFile, QString());
    put("HelpKey", m_helpKey, QString());
    put("InitDir", m_initDir, QString());
    put("Max", m_max, 0);
    put("MaxFileSize", m_maxFileSize, 260);
    put("Min", m_min, 0);
    put("Orientation", m_orientation, 1);
    put("PrinterDefault", m_printerDefault, true);
    put("ToPage", m_toPage, 0);
    return out;
}

void ctlCmnDlg::readProperties(const QVariantMap& s) {
    auto get = [&s](const char* name, const QVariant& def) {
        return s.value(QLatin1String(name), def);
    };
    m_color = get("Color", 0u).toUInt();
    m_copies = get("Copies", 1).toInt();
    m_defaultExt = get("DefaultExt", QString()).toString();
    m_dialogTitle = get("DialogTitle", QString()).toString();
    setFileName(get("FileName", QString()).toString());
    m_filter = get("Filter", QString()).toString();
    m_filterIndex = get("FilterIndex", 0).toInt();
    m_flags = get("Flags", 0).toInt();
    m_fontBold = get("FontBold", false).toBool();
    m_fontCharset = get("FontCharset", 0).toInt();
    m_fontItalic = get("FontItalic", false).toBool();
    m_fontName = get("FontName", QString()).toString();
    m_fontSize = get("FontSize", 8).toInt();
    m_fontStrikeThru = get("FontStrikeThru", false).toBool();
    m_fontUnderline = get("FontUnderline", false).toBool();
    m_fromPage = get("FromPage", 0).toInt();
    m_helpCommand = get("HelpCommand", 0).toInt();
    m_helpContext = get("HelpContext", 0).toInt();
    m_helpFile = get("HelpFile", QString()).toString();
    m_helpKey = get("HelpKey", QString()).toString();
    m_initDir = get("InitDir", QString()).toString();
    m_max = get("Max", 0).toInt();
    m_maxFileSize = get("MaxFileSize", 260).toInt();
    m_min = get("Min", 0).toInt();
    m_orientation = get("Orientation", 1).toInt();
    m_printerDefault = get("PrinterDefault", true).toBool();
    m_toPage = get("ToPage", 0).toInt();
    m_changed = false;
}
