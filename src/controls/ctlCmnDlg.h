#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class QPrinter;
class QWidget;

// The common dialogs (open, save, colour, font, print) and the help viewer behind one set of
// properties: set a few, run one operation, test LastError for 0 and read the results back.
class ctlCmnDlg : public QObject {
    Q_OBJECT

public:
    static constexpr int kCancelError = 32755;
    // Flags bits of the file dialogs.
    static constexpr int kFlagReadOnly = 0x1;
    static constexpr int kFlagOverwritePrompt = 0x2;
    static constexpr int kFlagHideReadOnly = 0x4;
    static constexpr int kFlagFileMustExist = 0x1000;

    enum Operation { ActionOpen = 1, ActionSave, ActionColor, ActionFont, ActionPrinter, ActionHelp };

    // What a dialog was asked to show and what it answered; tests script the answer with
    // setTestHook instead of showing a modal dialog.
    struct Exchange {
        int operation = 0;
        // in
        QString title;       // with "Open" / "Save As" standing in for an empty DialogTitle
        QStringList filters; // file dialog name filters, in the Filter's order
        QString fileName;
        QString initDir;
        QString defaultExt;
        // in and out
        int filterIndex = 0; // 1-based; 0 = the first
        int flags = 0;
        quint32 color = 0; // 0x00BBGGRR
        QFont font;
        int copies = 1;
        int fromPage = 0;
        int toPage = 0;
    };
    using TestHook = std::function<bool(Exchange&)>;
    // Replaces every dialog of every instance until reset with an empty hook.
    static void setTestHook(TestHook hook);

    explicit ctlCmnDlg(QWidget* owner = nullptr);
    ~ctlCmnDlg() override;

    // Runs the operation for values 1 to 6; other values do nothing.
    void setAction(int action);
    void ShowOpen() { setAction(ActionOpen); }
    void ShowSave() { setAction(ActionSave); }
    void ShowColor() { setAction(ActionColor); }
    void ShowFont() { setAction(ActionFont); }
    void ShowPrinter() { setAction(ActionPrinter); }
    void ShowHelp() { setAction(ActionHelp); }

    int LastError() const { return m_lastError; }
    QString FileTitle() const { return m_fileTitle; }
    QPrinter* hdc() const { return m_printer.get(); }

    QString FileName() const { return m_fileName; }
    void setFileName(const QString& name);

    // The stored set: every property except Action, FileTitle, hdc and LastError, left out
    // where it equals its default.
    QVariantMap writeProperties() const;
    void readProperties(const QVariantMap& stored);
    bool isChanged() const { return m_changed; }

    // Plain properties: each setter stores the value and marks the stored set as changed.
#define LEDRA_CMNDLG_PROPERTY(Type, Name, member)                                                  \
    Type Name() const {                                                                            \
        return member;                                                                             \
    }                                                                                              \
    void set##Name(const Type& value) {                                                            \
        member = value;                                                                            \
        m_changed = true;                                                                          \
    }
    LEDRA_CMNDLG_PROPERTY(quint32, Color, m_color)
    LEDRA_CMNDLG_PROPERTY(int, Copies, m_copies)
    LEDRA_CMNDLG_PROPERTY(QString, DefaultExt, m_defaultExt)
    LEDRA_CMNDLG_PROPERTY(QString, DialogTitle, m_dialogTitle)
    LEDRA_CMNDLG_PROPERTY(QString, Filter, m_filter)
    LEDRA_CMNDLG_PROPERTY(int, FilterIndex, m_filterIndex)
    LEDRA_CMNDLG_PROPERTY(int, Flags, m_flags)
    LEDRA_CMNDLG_PROPERTY(bool, FontBold, m_fontBold)
    LEDRA_CMNDLG_PROPERTY(bool, FontItalic, m_fontItalic)
    LEDRA_CMNDLG_PROPERTY(bool, FontStrikeThru, m_fontStrikeThru)
    LEDRA_CMNDLG_PROPERTY(bool, FontUnderline, m_fontUnderline)
    LEDRA_CMNDLG_PROPERTY(int, FontCharset, m_fontCharset)
    LEDRA_CMNDLG_PROPERTY(QString, FontName, m_fontName)
    LEDRA_CMNDLG_PROPERTY(int, FontSize, m_fontSize)
    LEDRA_CMNDLG_PROPERTY(int, FromPage, m_fromPage)
    LEDRA_CMNDLG_PROPERTY(int, ToPage, m_toPage)
    LEDRA_CMNDLG_PROPERTY(int, HelpCommand, m_helpCommand)
    LEDRA_CMNDLG_PROPERTY(int, HelpContext, m_helpContext)
    LEDRA_CMNDLG_PROPERTY(QString, HelpFile, m_helpFile)
    LEDRA_CMNDLG_PROPERTY(QString, HelpKey, m_helpKey)
    LEDRA_CMNDLG_PROPERTY(QString, InitDir, m_initDir)
    LEDRA_CMNDLG_PROPERTY(int, Max, m_max)
    LEDRA_CMNDLG_PROPERTY(int, Min, m_min)
    LEDRA_CMNDLG_PROPERTY(int, MaxFileSize, m_maxFileSize)
    LEDRA_CMNDLG_PROPERTY(int, Orientation, m_orientation)
    LEDRA_CMNDLG_PROPERTY(bool, PrinterDefault, m_printerDefault)
#undef LEDRA_CMNDLG_PROPERTY

    // "Ledra (*.ldr;*.mdb)|*.ldr;*.mdb|All Files (*.*)|*.*" as file dialog name filters.
    static QStringList nameFilters(const QString& filter);

private:
    bool runFile(Exchange& x);
    bool runColor(Exchange& x);
    bool runFont(Exchange& x);
    bool runPrinter(Exchange& x);
    bool runHelp();
    Exchange request(int operation) const;

    QPointer<QWidget> m_owner;
    int m_lastError = 0;
    QString m_fileName;
    QString m_fileTitle;
    std::unique_ptr<QPrinter> m_printer;
    bool m_changed = false;

    quint32 m_color = 0;
    int m_copies = 1;
    QString m_defaultExt;
    QString m_dialogTitle;
    QString m_filter;
    int m_filterIndex = 0;
    int m_flags = 0;
    bool m_fontBold = false;
    bool m_fontItalic = false;
    bool m_fontStrikeThru = false;
    bool m_fontUnderline = false;
    int m_fontCharset = 0;
    QString m_fontName;
    int m_fontSize = 8;
    int m_fromPage = 0;
    int m_toPage = 0;
    int m_helpCommand = 0;
    int m_helpContext = 0;
    QString m_helpFile;
    QString m_helpKey;
    QString m_initDir;
    int m_max = 0;
    int m_min = 0;
    int m_maxFileSize = 260;
    int m_orientation = 1;
    bool m_printerDefault = true;
};
