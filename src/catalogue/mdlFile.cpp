#include "mdlFile.h"

#include "catalogue/mdlDatabase.h"
#include "common/MainView.h"
#include "common/Ui.h"
#include "shell/mdlOptions.h"
#include "shell/mdlRecent.h"

#include <QFile>

QString CatalogueBaseName(const QString& path) {
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString tail = slash < 0 ? path : path.mid(slash + 1);
    const int dot = tail.indexOf(QLatin1Char('.'));
    return dot < 0 ? tail : tail.left(dot);
}

QString DatabaseErrorText(int number, const QString& description) {
    return QStringLiteral("Database error number %1.\n%2").arg(number).arg(description);
}

void CloseCatalogue(MainView* view) {
    CloseDatabase();
    catalogue().readOnly = false;
    if (!view)
        return;
    view->setCatalogueCommands(MainView::CommandState::NoCatalogue);
    view->setStatusFile(QString());
    view->clearCatalogueTree();
    view->clearList();
    view->setCaption(kAppTitle);
    view->setImagePanelVisible(false);
}

bool OpenCatalogue(QString& path, bool mustExist, bool readOnly, Ui& ui, MainView* view) {
    if (path.isEmpty())
        return false;

    if (path.endsWith(QLatin1String(".mdb"))) {
        const Ui::Answer answer = ui.message(
            QStringLiteral("This file is saved in old format. Do you wish to convert it?"),
            Ui::Buttons::YesNoCancel, Ui::Icon::Question);
        if (answer == Ui::Answer::Cancel)
            return false;
        if (answer == Ui::Answer::Yes) {
            const QString renamed = path.left(path.size() - 4) + QStringLiteral(".ldr");
            // QFile::rename refuses to replace an existing file, which is what we want here.
            if (QFile::rename(path, renamed)) {
                if (view)
                    recentList().RemoveRecent(path);
                path = renamed;
            } else {
                ui.message(QStringLiteral("Converson failed!"), Ui::Buttons::Ok,
                           Ui::Icon::Exclamation);
            }
        }
    }

    CloseDatabase();
    db().clearError();
    SetDatabaseName(path);
    // Opening an older catalogue for writing upgrades it, which takes seconds for a large one.
    ui.setBusy(true);
    const qint32 result = OpenVerifiedDatabase(!mustExist, readOnly);
    ui.setBusy(false);

    if (result == -1)
        ui.message(QStringLiteral("Database created!"), Ui::Buttons::Ok, Ui::Icon::Exclamation);
    if (result != 0 && result != -1) {
        QString text;
        if (result == EngineErr::FileNotFound)
            text = QStringLiteral("File can not be found.");
        else if (result == EngineErr::TableNotFound)
            text = QStringLiteral("File is not in required format.");
        else
            text = DatabaseErrorText(result, LastErrorDescription());
        ui.message(text, Ui::Buttons::Ok, Ui::Icon::Critical);
        CloseCatalogue(view);
        if (view) {
            recentList().RemoveRecent(path);
            view->showRecent(recentList().entries());
        }
        return false;
    }

    // The path is kept even though CloseDatabase cleared it before the open.
    SetDatabaseName(path);
    const bool ro = catalogue().readOnly;
    if (!ro && WritableOpenHook())
        WritableOpenHook()(db(), &ui, view);
    if (!view)
        return true;

    recentList().AddRecent(path);
    view->showRecent(recentList().entries());
    recentList().SaveRecent();

    view->setCatalogueCommands(ro ? MainView::CommandState::ReadOnly
                                  : MainView::CommandState::Writable);
    if (ro) {
        view->setStatusFile(QString());
        view->setReadOnlyPanelVisible(true);
    } else {
        view->setStatusFile(path);
        view->setReadOnlyPanelVisible(false);
    }
    view->mnuFile_Click();
    view->rebuildCatalogueTree();
    view->clickSelectedNode();
    if (!ro)
        options().Default = path;
    view->setCaption(kAppTitle + QStringLiteral(" - ") + CatalogueBaseName(path));
    view->setListActive(false);
    return true;
}
