#include "preview/i18n.h"

#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMutex>
#include <QSet>
#include <QTranslator>
#include <memory>

namespace tvn {

namespace {

struct Loaded {
    std::unique_ptr<QTranslator> own;
    std::unique_ptr<QTranslator> qt;
};

QMutex g_lock;
Loaded g_loaded;
QSet<QString> g_missing;

void NoteMissing(const char* text) {
    // Only texts that have letters to translate count.
    const QString s = QString::fromUtf8(text);
    bool letters = false;
    for (const QChar c : s) letters = letters || c.isLetter();
    if (!letters) return;
    QMutexLocker hold(&g_lock);
    g_missing.insert(s);
}

}  // namespace

QString Tr(const char* text) {
    bool missing = false;
    {
        // A translation may read as its source ("Information"); only one
        // the loaded file does not hold counts as missing.
        QMutexLocker hold(&g_lock);
        missing = g_loaded.own != nullptr && g_loaded.own->translate(kTrContext, text).isEmpty();
    }
    if (missing) NoteMissing(text);
    return QCoreApplication::translate(kTrContext, text);
}

QString TrKnown(const QString& text) {
    const QByteArray source = text.toUtf8();
    return QCoreApplication::translate(kTrContext, source.constData());
}

QString Tr(std::string_view text) {
    const std::string copy(text);
    return Tr(copy.c_str());
}

QLocale EnvironmentLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        QString value = qEnvironmentVariable(name);
        if (value.isEmpty()) continue;
        // "de_DE.UTF-8@euro": the language and country only.
        value = value.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
        if (value == QLatin1String("C") || value == QLatin1String("POSIX")) return QLocale::c();
        return QLocale(value);
    }
    return QLocale::c();
}

bool InstallTranslations(const QLocale& locale) {
    RemoveTranslations();
    const QString language = locale.name().section(QLatin1Char('_'), 0, 0);
    if (language.isEmpty() || language == QLatin1String("en") || language == QLatin1String("C")) return false;
    auto own = std::make_unique<QTranslator>();
    // Built into the program; the installed files serve as a fallback.
    const QStringList places = {QStringLiteral(":/i18n"),
                                QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tarvolin/translations")};
    bool found = false;
    for (const QString& dir : places) {
        if (own->load(QStringLiteral("tarvolin_") + language, dir)) {
            found = true;
            break;
        }
    }
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt.get());
    else
        qt.reset();
    if (found) QCoreApplication::installTranslator(own.get());
    QMutexLocker hold(&g_lock);
    g_loaded.own = found ? std::move(own) : nullptr;
    g_loaded.qt = std::move(qt);
    return found;
}

void RemoveTranslations() {
    QMutexLocker hold(&g_lock);
    if (g_loaded.own) QCoreApplication::removeTranslator(g_loaded.own.get());
    if (g_loaded.qt) QCoreApplication::removeTranslator(g_loaded.qt.get());
    g_loaded = Loaded{};
}

QString TrLabelled(const QString& text) {
    {
        // English keeps its texts as they are, spacing and all.
        QMutexLocker hold(&g_lock);
        if (g_loaded.own == nullptr) return text;
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0) continue;
        const QString label = line.left(colon).trimmed();
        if (label.isEmpty()) continue;
        const QByteArray source = label.toUtf8();
        // The spaces that lined the English labels up do not fit another
        // language's: "label: value".
        line = Tr(source.constData()) + QStringLiteral(": ") + line.mid(colon + 1).trimmed();
    }
    return lines.join(QLatin1Char('\n'));
}

QStringList UntranslatedTexts() {
    QMutexLocker hold(&g_lock);
    QStringList all(g_missing.begin(), g_missing.end());
    all.sort();
    return all;
}

void ClearUntranslatedTexts() {
    QMutexLocker hold(&g_lock);
    g_missing.clear();
}

}  // namespace tvn
