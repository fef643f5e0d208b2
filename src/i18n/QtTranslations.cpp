#include "i18n/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

#include <utility>

namespace {
// The catalogues of the Qt modules whose texts the windows show.
const char *const kCatalogues[] = {"qtbase", "qtwebengine"};

// Language keys are lower-cased first: plain letters are a to z.
bool isLetters(const QByteArray &text)
{
    for (char c : text) {
        if (c < 'a' || c > 'z')
            return false;
    }
    return true;
}
} // namespace

QtTranslations::QtTranslations(QString folder) : m_folder(std::move(folder)) {}

QtTranslations::~QtTranslations()
{
    removeInstalled();
}

QString QtTranslations::defaultFolder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QLocale QtTranslations::localeOfLanguageKey(const QByteArray &languageKey)
{
    const QByteArray key = languageKey.toLower();
    if (key.size() < 2 || !isLetters(key.left(2)))
        return QLocale::c();
    QString name = QString::fromLatin1(key.left(2));
    if (key.size() == 4 && isLetters(key))
        name += QLatin1Char('_') + QString::fromLatin1(key.mid(2)).toUpper();
    return QLocale(name);
}

void QtTranslations::follow(const QByteArray &languageKey)
{
    if (m_followedKey == languageKey)
        return;
    removeInstalled();
    m_followedKey = languageKey;

    const QLocale locale = localeOfLanguageKey(languageKey);
    // Qt's texts are English already; and a key that names no language has nothing to load.
    if (locale.language() == QLocale::C || locale.language() == QLocale::English)
        return;
    for (const char *catalogue : kCatalogues) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(locale, QLatin1String(catalogue), QStringLiteral("_"), m_folder))
            continue;
        QCoreApplication::installTranslator(translator.get());
        m_installed.push_back(std::move(translator));
    }
}

void QtTranslations::removeInstalled()
{
    for (const auto &translator : m_installed)
        QCoreApplication::removeTranslator(translator.get());
    m_installed.clear();
}
