// The program's texts in the user's language. Every text the wizard, the
// viewers and the core show goes through Tr(): one translation context
// ("Tarvolin") for all of them, so that a text the core reports and the same
// text in a window read alike. The English texts are the sources and show
// unchanged when no translation is loaded.
//
// The translations live in res/i18n/tarvolin_<language>.ts; CMake turns them
// into .qm files, which are built into the program and also installed.
#pragma once

#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <string_view>

namespace tvn {

inline constexpr const char* kTrContext = "Tarvolin";

// The text in the user's language.
QString Tr(const char* text);
QString Tr(std::string_view text);
// The same for a text that may or may not be one of the program's own (a
// message the core put together, a file name): its translation when there is
// one, else the text as it is.
QString TrKnown(const QString& text);

// The locale the environment asks for messages in: LC_ALL, else
// LC_MESSAGES, else LANG ("de_DE.UTF-8"); "C" when none is set.
QLocale EnvironmentLocale();

// Loads the translation of the locale (its language, e.g. "de" of
// "de_DE.UTF-8") and Qt's own one for the standard buttons; true when the
// program's translation was found. English needs none.
bool InstallTranslations(const QLocale& locale);
// Removes what InstallTranslations loaded (tests switch languages).
void RemoveTranslations();

// Texts made of labelled lines ("Model Name        :  SD Card Reader"): each
// label before its colon in the user's language, the values as they are.
QString TrLabelled(const QString& text);

// Texts that were asked for while a translation was loaded but have none
// (the tests look at it).
QStringList UntranslatedTexts();
void ClearUntranslatedTexts();

}  // namespace tvn
