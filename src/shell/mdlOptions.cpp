#include "shell/mdlOptions.h"

#include "common/mdlPath.h"
#include "shell/mdlRegistry.h"

#include <QLocale>

#include <variant>

namespace {

struct Setting {
    QLatin1String key; // below the Ledra key
    QLatin1String name;
    std::variant<qint32 Options::*, bool Options::*, QString Options::*> member;
};

// Every stored setting, in the order they are read and written.
const Setting kSettings[] = {
    {QLatin1String("Options"), QLatin1String("Window State"), &Options::WindowState},
    {QLatin1String("Options"), QLatin1String("SizeVLeft"), &Options::SizeVLeft},
    {QLatin1String("Options"), QLatin1String("SizeTreeLeft"), &Options::SizeTreeLeft},
    {QLatin1String("Options"), QLatin1String("New Type"), &Options::NewType},
    {QLatin1String("Options\\View"), QLatin1String("Toolbar"), &Options::ViewToolbar},
    {QLatin1String("Options\\View"), QLatin1String("StatusBar"), &Options::ViewStatusBar},
    {QLatin1String("Options\\View"), QLatin1String("Nodes"), &Options::ViewNodes},
    {QLatin1String("Options\\View"), QLatin1String("Tree"), &Options::ViewTree},
    {QLatin1String("Options\\View"), QLatin1String("List View"), &Options::ListView},
    {QLatin1String("Options\\View"), QLatin1String("List Columns"), &Options::ListColumns},
    {QLatin1String("Options\\View"), QLatin1String("List Sort"), &Options::ListSort},
    {QLatin1String("Options"), QLatin1String("Window Geometry"), &Options::WindowGeometry},
    {QLatin1String("Options\\View\\Tree"), QLatin1String("Incremental Fill"),
     &Options::IncrementalFill},
    {QLatin1String("Options\\View\\Tree"), QLatin1String("Detect SubFolders"),
     &Options::DetectSubFolders},
    {QLatin1String("Options\\New Disk"), QLatin1String("Last Drive"), &Options::LastDrive},
    {QLatin1String("Options\\New Disk"), QLatin1String("Last Drive Volume"),
     &Options::LastDriveVolume},
    {QLatin1String("Options\\New Disk"), QLatin1String("No Collect"), &Options::NoCollect},
    {QLatin1String("Options\\New Disk"), QLatin1String("Ask For Name"), &Options::AskForName},
    {QLatin1String("Options\\New Disk"), QLatin1String("Eject"), &Options::Eject},
    {QLatin1String("Options\\New Disk"), QLatin1String("Display Summary"),
     &Options::DisplaySummary},
    {QLatin1String("Options\\New Disk"), QLatin1String("Auto Close"), &Options::AutoClose},
    {QLatin1String("Options\\New Disk"), QLatin1String("Scan Files"), &Options::ScanFiles},
    {QLatin1String("Options\\New Disk"), QLatin1String("Scan MSDOS Name"), &Options::ScanMSDOSName},
    {QLatin1String("Options\\New Disk"), QLatin1String("Scan Time"), &Options::ScanTime},
    {QLatin1String("Database"), QLatin1String("Default"), &Options::Default},
    {QLatin1String("Options"), QLatin1String("Locale"), &Options::Locale},
    {QLatin1String("Options"), QLatin1String("Load Default Database"),
     &Options::LoadDefaultDatabase},
    {QLatin1String("Options"), QLatin1String("Use Icons"), &Options::UseIcons},
};

QString keyOf(const Setting& setting) {
    return kLedraKey + QLatin1Char('\\') + setting.key;
}

template <class... Fs> struct Overloaded : Fs... { using Fs::operator()...; };
template <class... Fs> Overloaded(Fs...) -> Overloaded<Fs...>;

struct LanguageId {
    QLocale::Language language;
    QLocale::Territory territory;
    qint32 id;
};

// The first row of each language is its main territory, used when the territory is not listed.
const LanguageId kLanguageIds[] = {
    {QLocale::English, QLocale::UnitedStates, 1033},
    {QLocale::English, QLocale::UnitedKingdom, 2057},
    {QLocale::English, QLocale::Australia, 3081},
    {QLocale::English, QLocale::Canada, 4105},
    {QLocale::English, QLocale::NewZealand, 5129},
    {QLocale::English, QLocale::Ireland, 6153},
    {QLocale::English, QLocale::SouthAfrica, 7177},
    {QLocale::German, QLocale::Germany, 1031},
    {QLocale::German, QLocale::Switzerland, 2055},
    {QLocale::German, QLocale::Austria, 3079},
    {QLocale::French, QLocale::France, 1036},
    {QLocale::French, QLocale::Belgium, 2060},
    {QLocale::French, QLocale::Canada, 3084},
    {QLocale::French, QLocale::Switzerland, 4108},
    {QLocale::Spanish, QLocale::Spain, 3082},
    {QLocale::Spanish, QLocale::Mexico, 2058},
    {QLocale::Italian, QLocale::Italy, 1040},
    {QLocale::Italian, QLocale::Switzerland, 2064},
    {QLocale::Dutch, QLocale::Netherlands, 1043},
    {QLocale::Dutch, QLocale::Belgium, 2067},
    {QLocale::Portuguese, QLocale::Brazil, 1046},
    {QLocale::Portuguese, QLocale::Portugal, 2070},
    {QLocale::Russian, QLocale::Russia, 1049},
    {QLocale::Polish, QLocale::Poland, 1045},
    {QLocale::Czech, QLocale::CzechRepublic, 1029},
    {QLocale::Croatian, QLocale::Croatia, 1050},
    {QLocale::Serbian, QLocale::Serbia, 2074},
    {QLocale::Slovak, QLocale::Slovakia, 1051},
    {QLocale::Slovenian, QLocale::Slovenia, 1060},
    {QLocale::Hungarian, QLocale::Hungary, 1038},
    {QLocale::Romanian, QLocale::Romania, 1048},
    {QLocale::Bulgarian, QLocale::Bulgaria, 1026},
    {QLocale::Ukrainian, QLocale::Ukraine, 1058},
    {QLocale::Greek, QLocale::Greece, 1032},
    {QLocale::Turkish, QLocale::Turkey, 1055},
    {QLocale::Swedish, QLocale::Sweden, 1053},
    {QLocale::Swedish, QLocale::Finland, 2077},
    {QLocale::Danish, QLocale::Denmark, 1030},
    {QLocale::Finnish, QLocale::Finland, 1035},
    {QLocale::NorwegianBokmal, QLocale::Norway, 1044},
    {QLocale::NorwegianNynorsk, QLocale::Norway, 2068},
    {QLocale::Icelandic, QLocale::Iceland, 1039},
    {QLocale::Estonian, QLocale::Estonia, 1061},
    {QLocale::Latvian, QLocale::Latvia, 1062},
    {QLocale::Lithuanian, QLocale::Lithuania, 1063},
    {QLocale::Catalan, QLocale::Spain, 1027},
    {QLocale::Japanese, QLocale::Japan, 1041},
    {QLocale::Chinese, QLocale::China, 2052},
    {QLocale::Chinese, QLocale::Taiwan, 1028},
    {QLocale::Chinese, QLocale::HongKong, 3076},
    {QLocale::Chinese, QLocale::Singapore, 4100},
    {QLocale::Korean, QLocale::SouthKorea, 1042},
    {QLocale::Arabic, QLocale::SaudiArabia, 1025},
    {QLocale::Hebrew, QLocale::Israel, 1037},
    {QLocale::Thai, QLocale::Thailand, 1054},
    {QLocale::Vietnamese, QLocale::Vietnam, 1066},
    {QLocale::Indonesian, QLocale::Indonesia, 1057},
    {QLocale::Hindi, QLocale::India, 1081},
};

} // namespace

Options& options() {
    static Options instance;
    return instance;
}

qint32 LanguageIdOf(const QLocale& locale) {
    const LanguageId* languageOnly = nullptr;
    for (const LanguageId& entry : kLanguageIds) {
        if (entry.language != locale.language())
            continue;
        if (entry.territory == locale.territory())
            return entry.id;
        if (!languageOnly)
            languageOnly = &entry;
    }
    return languageOnly ? languageOnly->id : 1033;
}

qint32 SystemLanguageId() {
    return LanguageIdOf(QLocale::system());
}

void DefaultOptions() {
    Options& o = options();
    o = Options();
    o.Locale = SystemLanguageId();
    QString personal = PersonalFolder();
    if (!personal.endsWith(QLatin1Char('/')))
        personal += QLatin1Char('/');
    o.Default = personal + QStringLiteral("Ledra.ldr");
}

void LoadOptions() {
    Options& o = options();
    for (const Setting& setting : kSettings) {
        const QString key = keyOf(setting);
        const QString name = setting.name;
        std::visit(
            Overloaded{
                [&](qint32 Options::*member) { o.*member = GetRegLong(key, name, o.*member); },
                [&](bool Options::*member) {
                    o.*member = GetRegLong(key, name, o.*member ? -1 : 0) != 0;
                },
                [&](QString Options::*member) {
                    o.*member = GetRegString(key, name, o.*member, false, 4096);
                },
            },
            setting.member);
    }
}

void SaveOptions() {
    const RegWriteBatch batch;
    const Options& o = options();
    for (const Setting& setting : kSettings) {
        const QString key = keyOf(setting);
        const QString name = setting.name;
        std::visit(Overloaded{
                       [&](qint32 Options::*member) { SetRegLong(key, name, o.*member); },
                       [&](bool Options::*member) { SetRegLong(key, name, o.*member ? -1 : 0); },
                       [&](QString Options::*member) { SetRegString(key, name, o.*member); },
                   },
                   setting.member);
    }
}
