// SPDX-License-Identifier: GPL-3.0-or-later
// The program's languages: the language library with its built-in catalogues, the active
// catalogue every text is fetched from, the choice of the language and the language files.
//
// Threads: InstallLanguageRecord, SelectLanguage and ChooseLanguage run on the user-interface
// thread; GetText and the other readers may be called from any thread (a worker keeps reading
// the catalogue it started with while the language changes).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lang/catalogue.h"
#include "lang/language_record.h"
#include "platform/dynlib.h"

namespace tarnq::lang {

// --- The language library ----------------------------------------------------------------------
#ifdef _WIN32
inline constexpr std::u16string_view kLanguageLibraryName = u"tarnqlng.dll";
#else
inline constexpr std::u16string_view kLanguageLibraryName = u"libtarnqlng.so";
#endif

// Keep the object for the whole run: the record and every catalogue point into the library,
// which is unloaded when the object goes.
class LanguageLibrary {
 public:
  // Loads the language library (libtarnqlng.so, tarnqlng.dll) from `folder` and asks its export `r` for the record. Returns 0, 2 when
  // the file is missing, 126 when it cannot be loaded, 127 when it lacks `r`, 13 when `r`
  // returns no usable record. Message() tells the user what went wrong.
  uint32_t Load(std::u16string_view folder);
  const LanguageRecord* Record() const { return m_record; }
  const std::u16string& Path() const { return m_path; }
  // A start-up error text naming the library and the system's reason.
  std::u16string Message() const;

 private:
  platform::DynamicLibrary m_library;
  const LanguageRecord* m_record = nullptr;
  std::u16string m_path;
  uint32_t m_error = 0;
};

// Makes `record` the source of every catalogue and menu tree (once, at start; the record must
// outlive all use: the library stays loaded for the whole run). The English catalogue becomes
// active until a language is selected.
void InstallLanguageRecord(const LanguageRecord* record);
const LanguageRecord* InstalledLanguageRecord();

// The record's catalogue whose code (entry 0) is `code`, ignoring case; null when none.
const CatalogueEntry* FindBuiltInCatalogue(const LanguageRecord* record, std::u16string_view code);
// The key table: the catalogue whose code is "-".
const CatalogueEntry* KeyTableOf(const LanguageRecord* record);

// --- Texts of the active catalogue ---------------------------------------------------------
// The text of `identifier` (aliases applied, backslash-t as tab); empty when the catalogue lacks it.
std::u16string GetText(int identifier);
// The same, but from the built-in English catalogue when the active one lacks the text (texts that
// language files made before the text existed cannot have).
std::u16string GetTextOrEnglish(int identifier);
// The short text: tooltips, dialog titles, questions (see ShortPart).
std::u16string GetShortText(int identifier);
// The menu text (before the first ';') and the status-bar help (between the first and second).
std::u16string GetMenuText(int identifier);
std::u16string GetHelpText(int identifier);
// The code ("US", "DE", or the code of a language file) and display name of the active language.
std::u16string ActiveLanguageCode();
std::u16string ActiveDisplayName();
// True when the active catalogue came from a language file.
bool ActiveLanguageIsFile();

// The four-letter key of `identifier` from the key table ("" when none), and back (0 when no
// key matches; keys are compared case-sensitively, "APly" and "aPly" are different keys).
std::u16string KeyOfText(int identifier);
int TextOfKey(std::u16string_view key);

// --- Choosing the language -------------------------------------------------------------------
// What the choice reads and writes in the settings: `Language` in section `TARNQ`.
class LanguageSettings {
 public:
  virtual ~LanguageSettings() = default;
  virtual std::u16string ReadLanguage() = 0;  // empty when the key is not there
  // Stores the code and flushes the settings to disk.
  virtual void StoreLanguage(std::u16string_view code) = 0;
};

struct LanguageEnvironment {
  std::u16string programFolder;  // where TARNQ_XX.LNG files are looked for
  std::u16string systemCode;     // the first start's choice, "DE" or "US"
  // The running program's folder and the user's locale.
  static LanguageEnvironment OfProcess();
};

// "DE" for a German locale name ("de", "de_AT.UTF-8", "de_CH@euro"), else "US".
std::u16string LanguageCodeForLocale(std::string_view locale);
// From the user's LC_ALL, LC_MESSAGES or LANG, the first that is set.
std::u16string SystemLanguageCode();

struct LanguageOutcome {
  std::u16string code;      // the code that was looked for
  std::u16string filePath;  // the language file read, when the catalogue came from one
  uint32_t fileError = 0;   // why no language file could be used (2 when there is none)
  bool english = false;     // fell back to the built-in English catalogue
};

// Selects the active catalogue: the code kept in the application state (`stateCode`), else the
// stored `Language` (at most three characters), else the system's language (stored at once).
// A built-in catalogue with that code wins (case ignored); else TARNQ_<code>.LNG, else
// TARNQ_US.LNG in the program folder; else English. `stateCode` gets the code used.
LanguageOutcome SelectLanguage(std::u16string& stateCode, LanguageSettings& settings,
                               const LanguageEnvironment& environment);

// The language dialog's OK: stores `code` as `Language`, flushes and selects it.
LanguageOutcome ChooseLanguage(std::u16string_view code, std::u16string& stateCode,
                               LanguageSettings& settings, const LanguageEnvironment& environment);

// --- The language dialog's list ----------------------------------------------------------------
struct LanguageChoice {
  std::u16string code;         // item data
  std::u16string displayName;  // item text
  bool fromFile = false;
};
// The built-in languages (not the key table), then every language file TARNQ_??.LNG of `folder`
// of more than 100 bytes with a "Language" value whose code is not yet listed.
std::vector<LanguageChoice> ListLanguages(const LanguageRecord* record, std::u16string_view folder);

// --- Menus ---------------------------------------------------------------------------------------
// The message when a menu cannot be built because an item has no text.
inline constexpr std::u16string_view kLoadingError = u"Loading error.";

// The first item of `tree` (sub-menus included, separators skipped) whose menu text in
// `catalogue` is empty; 0 when every item has one.
int FindItemWithoutText(const MenuItem* tree, const Catalogue& catalogue);
// The same for all three menu trees of the installed record in the active catalogue.
int FindMenuItemWithoutText();

}  // namespace tarnq::lang
