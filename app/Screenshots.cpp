#include "Screenshots.h"

#include "browser/frmMain.h"
#include "browser/guiContentsView.h"
#include "frmSplash.h"
#include "search/frmFind.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

namespace {

class Shooter {
public:
    Shooter(frmMain& window, const QString& folder) : m_window(window), m_folder(folder) {}

    void save(QWidget* w, const QString& name) {
        QApplication::processEvents();
        if (w && w->grab().save(m_folder + u'/' + name + QStringLiteral(".png")))
            ++m_count;
    }

    // Runs a command that shows a modal window, takes that window's picture and closes it.
    void modal(const QString& name, const std::function<void()>& show) {
        QTimer::singleShot(400, [this, name] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            save(modal, name);
            modal->close();
        });
        show();
        QApplication::processEvents();
    }

    void trigger(const char* action) {
        if (QAction* a = m_window.findChild<QAction*>(QLatin1String(action)))
            a->trigger();
    }

    void focus(const char* pane) {
        if (QWidget* w = m_window.findChild<QWidget*>(QLatin1String(pane)))
            w->setFocus();
        QApplication::processEvents();
    }

    int count() const { return m_count; }

private:
    frmMain& m_window;
    QString m_folder;
    int m_count = 0;
};

// The first image of the catalogue tree, which the pictures show.
QTreeWidgetItem* firstImage(QTreeWidget* tree) {
    QList<QTreeWidgetItem*> todo;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        todo << tree->topLevelItem(i);
    while (!todo.isEmpty()) {
        QTreeWidgetItem* item = todo.takeFirst();
        if (item->data(0, Qt::UserRole).toString().startsWith(u'I'))
            return item;
        for (int i = 0; i < item->childCount(); ++i)
            todo << item->child(i);
    }
    return nullptr;
}

} // namespace

int TakeScreenshots(frmMain& window, const QString& folder) {
    QDir().mkpath(folder);
    Shooter shoot(window, folder);
    frmSplash splash;
    splash.show();
    shoot.save(&splash, QStringLiteral("splash"));
    splash.hide();

    window.resize(980, 620);
    window.activateWindow();
    if (!window.isFolderTreeVisible())
        window.mnuViewTree_Click();
    auto* nodes = window.findChild<QTreeWidget*>(QStringLiteral("trvNodes"));
    if (QTreeWidgetItem* image = nodes ? firstImage(nodes) : nullptr) {
        nodes->expandAll();
        window.showCatalogueEntry(image->data(0, Qt::UserRole).toString());
    }
    if (auto* folders = window.findChild<QTreeWidget*>(QStringLiteral("trvMain"));
        folders && folders->topLevelItemCount() > 0)
        folders->topLevelItem(0)->setExpanded(true);
    window.mnuViewDetails_Click(false);
    shoot.save(&window, QStringLiteral("main-list"));
    window.mnuViewDetails_Click(true);
    shoot.save(&window, QStringLiteral("main-details"));

    shoot.focus("trvNodes");
    shoot.modal(QStringLiteral("image-properties"), [&] { shoot.trigger("mnuFileProperties"); });
    shoot.modal(QStringLiteral("delete-question"), [&] { shoot.trigger("mnuFileDelete"); });
    if (ContentsView* list = window.contentsView(); list && list->count() > 0) {
        shoot.focus("lsvMain");
        list->setCurrentRow(list->count() - 1);
        shoot.modal(QStringLiteral("item-properties"), [&] { shoot.trigger("mnuFileProperties"); });
    }
    shoot.focus("trvNodes");
    shoot.modal(QStringLiteral("new-disk"), [&] { shoot.trigger("mnuFileNewDisk"); });
    shoot.modal(QStringLiteral("import"), [&] { shoot.trigger("mnuFileImport"); });
    shoot.modal(QStringLiteral("open-catalogue"), [&] { window.mnuFileOpen_Click(); });
    shoot.modal(QStringLiteral("compact"), [&] { window.mnuToolsCompact_Click(); });
    shoot.modal(QStringLiteral("options"), [&] { window.mnuToolsOptions_Click(); });
    shoot.modal(QStringLiteral("short-help"), [&] { window.mnuHelpShortHelp_Click(); });
    shoot.modal(QStringLiteral("about"), [&] { window.mnuHelpAbout_Click(); });
    shoot.trigger("mnuEditFind");
    if (frmFind* find = frmFind::instance()) {
        shoot.save(find, QStringLiteral("find"));
        find->close();
    }
    return shoot.count();
}
