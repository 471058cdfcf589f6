// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/languages.h"

#include <memory>
#include <mutex>
#include <utility>

#include "lang/language_file.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace tarnq::lang {
namespace {

constexpr uint32_t kInvalidData = 13;
constexpr size_t kMaxStoredCodeLength = 3;
constexpr uint64_t kMinLanguageFileBytes = 101;
constexpr int kMaxMenuDepth = 8;

// The active catalogue and, when it came from a file, the loaded data it points into. Replaced as
// a whole; readers hold their own reference while they read.
struct ActiveCatalogue {
  Catalogue catalogue;
  std::u16string code;
  std::unique_ptr<LoadedCatalogue> loaded;
};

std::mutex g_mutex;
const LanguageRecord* g_record = nullptr;
std::shared_ptr<const ActiveCatalogue> g_active;

std::shared_ptr<const ActiveCatalogue> Active() {
  std::lock_guard lock(g_mutex);
  return g_active;
}

void SetActive(std::shared_ptr<const ActiveCatalogue> active) {
  std::lock_guard lock(g_mutex);
  g_active = std::move(active);
}

std::u16string Ascii(std::string_view text) {
  std::u16string out;
  for (char c : text) out.push_back(static_cast<unsigned char>(c));
  return out;
}

bool SameCodeIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return platform::FoldCase(a) == platform::FoldCase(b);
}

std::shared_ptr<const ActiveCatalogue> BuiltIn(const CatalogueEntry* table) {
  auto active = std::make_shared<ActiveCatalogue>();
  active->catalogue = CatalogueOf(table);
  active->code = Ascii(LanguageCodeOf(table));
  return active;
}

const CatalogueEntry* EnglishOf(const LanguageRecord* record) {
  return record != nullptr && record->catalogues != nullptr ? record->catalogues[0] : nullptr;
}

std::u16string LanguageFileName(std::u16string_view code) {
  return std::u16string(u"TARNQ_") + std::u16string(code) + u".LNG";
}

}  // namespace

// --- The language library ----------------------------------------------------------------------

uint32_t LanguageLibrary::Load(std::u16string_view folder) {
  m_record = nullptr;
  m_path = platform::JoinPath(folder, kLanguageLibraryName);
  m_error = m_library.Open(m_path);
  if (m_error != 0) return m_error;
  void* address = nullptr;
  m_error = m_library.FindSymbol(kRecordExportName, address);
  if (m_error != 0) return m_error;
  const auto exported = reinterpret_cast<RecordFunction>(address);
  const LanguageRecord* record = exported();
  if (record == nullptr || record->catalogues == nullptr || record->catalogues[0] == nullptr ||
      record->mainMenu == nullptr) {
    m_error = kInvalidData;
    return m_error;
  }
  m_record = record;
  return 0;
}

std::u16string LanguageLibrary::Message() const {
  if (m_error == 0) return {};
  std::u16string text = u"The language library " + m_path + u" could not be loaded: ";
  if (m_error == kInvalidData) {
    text += u"it holds no usable tables.";
  } else if (m_error == platform::err::kProcNotFound) {
    text += u"it has no export \"r\".";
  } else if (m_error == platform::err::kModNotFound && !m_library.Detail().empty()) {
    text += platform::Utf8ToUtf16(m_library.Detail());
  } else {
    text += platform::Utf8ToUtf16(platform::ErrorMessage(m_error));
  }
  return text;
}

void InstallLanguageRecord(const LanguageRecord* record) {
  const CatalogueEntry* english = EnglishOf(record);
  auto active = english != nullptr ? BuiltIn(english) : nullptr;
  std::lock_guard lock(g_mutex);
  g_record = record;
  g_active = std::move(active);
}

const LanguageRecord* InstalledLanguageRecord() {
  std::lock_guard lock(g_mutex);
  return g_record;
}

const CatalogueEntry* FindBuiltInCatalogue(const LanguageRecord* record, std::u16string_view code) {
  if (record == nullptr || record->catalogues == nullptr) return nullptr;
  for (const CatalogueEntry* const* table = record->catalogues; *table != nullptr; ++table) {
    if (SameCodeIgnoringCase(Ascii(LanguageCodeOf(*table)), code)) return *table;
  }
  return nullptr;
}

const CatalogueEntry* KeyTableOf(const LanguageRecord* record) {
  if (record == nullptr || record->catalogues == nullptr) return nullptr;
  for (const CatalogueEntry* const* table = record->catalogues; *table != nullptr; ++table) {
    if (LanguageCodeOf(*table) == "-") return *table;
  }
  return nullptr;
}

// --- Texts of the active catalogue ---------------------------------------------------------

std::u16string GetText(int identifier) {
  const auto active = Active();
  return active != nullptr ? GetText(active->catalogue, identifier) : std::u16string();
}

std::u16string GetTextOrEnglish(int identifier) {
  std::u16string text = GetText(identifier);
  if (text.empty()) {
    if (const CatalogueEntry* english = EnglishOf(InstalledLanguageRecord()))
      text = GetText(CatalogueOf(english), identifier);
  }
  return text;
}

std::u16string GetShortText(int identifier) { return std::u16string(ShortPart(GetText(identifier))); }
std::u16string GetMenuText(int identifier) { return std::u16string(MenuPart(GetText(identifier))); }
std::u16string GetHelpText(int identifier) { return std::u16string(HelpPart(GetText(identifier))); }

std::u16string ActiveLanguageCode() {
  const auto active = Active();
  return active != nullptr ? active->code : std::u16string();
}

std::u16string ActiveDisplayName() {
  const auto active = Active();
  return active != nullptr ? DisplayNameOf(active->catalogue) : std::u16string();
}

bool ActiveLanguageIsFile() {
  const auto active = Active();
  return active != nullptr && active->loaded != nullptr;
}

std::u16string KeyOfText(int identifier) {
  return GetText(CatalogueOf(KeyTableOf(InstalledLanguageRecord())), identifier);
}

int TextOfKey(std::u16string_view key) {
  const CatalogueEntry* keys = KeyTableOf(InstalledLanguageRecord());
  if (keys == nullptr || key.empty() || keys[1].id == 0) return 0;
  for (const CatalogueEntry* entry = keys + 2; entry->id != 0; ++entry) {
    if (entry->text == nullptr) continue;
    const std::string_view text = entry->text;
    if (text.size() == key.size() && std::equal(text.begin(), text.end(), key.begin())) return entry->id;
  }
  return 0;
}

// --- Choosing the language -------------------------------------------------------------------

LanguageEnvironment LanguageEnvironment::OfProcess() {
  return {platform::ProgramDataFolder(), SystemLanguageCode()};
}

std::u16string LanguageCodeForLocale(std::string_view locale) {
  // "de", "de_DE", "de_CH.UTF-8", "de_AT@euro": the language is what comes before '_', '.', '@'.
  const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
  return language == "de" ? u"DE" : u"US";
}

std::u16string SystemLanguageCode() {
  for (const char16_t* name : {u"LC_ALL", u"LC_MESSAGES", u"LANG"}) {
    std::u16string value;
    if (platform::GetEnvironment(name, value) && !value.empty()) {
      return LanguageCodeForLocale(platform::Utf16ToUtf8(value));
    }
  }
  return u"US";
}

LanguageOutcome SelectLanguage(std::u16string& stateCode, LanguageSettings& settings,
                               const LanguageEnvironment& environment) {
  const LanguageRecord* record = InstalledLanguageRecord();
  LanguageOutcome outcome;

  std::u16string code = stateCode;
  if (code.empty()) {
    code = settings.ReadLanguage();
    if (code.size() > kMaxStoredCodeLength) code.resize(kMaxStoredCodeLength);
  }
  if (code.empty()) {
    code = environment.systemCode.empty() ? std::u16string(u"US") : environment.systemCode;
    settings.StoreLanguage(code);
  }
  stateCode = code;
  outcome.code = code;

  if (const CatalogueEntry* table = FindBuiltInCatalogue(record, code)) {
    SetActive(BuiltIn(table));
    return outcome;
  }

  const CatalogueEntry* english = EnglishOf(record);
  std::u16string path = FindFileInFolder(environment.programFolder, LanguageFileName(code));
  std::u16string loadedCode = code;
  if (path.empty()) {
    path = FindFileInFolder(environment.programFolder, LanguageFileName(u"US"));
    loadedCode = u"US";
  }
  if (path.empty()) {
    outcome.fileError = platform::err::kFileNotFound;
  } else {
    auto active = std::make_shared<ActiveCatalogue>();
    active->loaded = std::make_unique<LoadedCatalogue>();
    outcome.fileError =
        LoadLanguageFile(path, KeyTableOf(record), CatalogueOf(english), loadedCode, *active->loaded);
    if (outcome.fileError == 0) {
      active->catalogue = active->loaded->View();
      active->code = loadedCode;
      outcome.filePath = path;
      SetActive(std::move(active));
      return outcome;
    }
  }
  outcome.english = true;
  SetActive(english != nullptr ? BuiltIn(english) : nullptr);
  return outcome;
}

LanguageOutcome ChooseLanguage(std::u16string_view code, std::u16string& stateCode,
                               LanguageSettings& settings, const LanguageEnvironment& environment) {
  settings.StoreLanguage(code);
  stateCode.assign(code);
  return SelectLanguage(stateCode, settings, environment);
}

// --- The language dialog's list ----------------------------------------------------------------

std::vector<LanguageChoice> ListLanguages(const LanguageRecord* record, std::u16string_view folder) {
  std::vector<LanguageChoice> choices;
  auto listed = [&choices](std::u16string_view code) {
    for (const LanguageChoice& choice : choices) {
      if (SameCodeIgnoringCase(choice.code, code)) return true;
    }
    return false;
  };
  if (record != nullptr && record->catalogues != nullptr) {
    for (const CatalogueEntry* const* table = record->catalogues; *table != nullptr; ++table) {
      if (LanguageCodeOf(*table) == "-") continue;
      choices.push_back({Ascii(LanguageCodeOf(*table)), DisplayNameOf(CatalogueOf(*table)), false});
    }
  }

  // TARNQ_??.LNG, any case; gathered first so no file is read while the folder is being listed.
  struct Candidate {
    std::u16string path;
    std::u16string code;
  };
  std::vector<Candidate> candidates;
  const std::u16string prefix = platform::FoldCase(u"TARNQ_");
  const std::u16string suffix = platform::FoldCase(u".LNG");
  platform::ListDirectory(folder, [&](const platform::DirEntry& entry) {
    if ((entry.attributes & platform::attr::kDirectory) != 0 || entry.size == platform::kUnknownSize ||
        entry.size < kMinLanguageFileBytes) {
      return true;
    }
    if (entry.name.size() != prefix.size() + 2 + suffix.size()) return true;
    const std::u16string folded = platform::FoldCase(entry.name);
    if (!folded.starts_with(prefix) || !folded.ends_with(suffix)) return true;
    candidates.push_back(
        {platform::JoinPath(folder, entry.name), platform::UpperUnits(entry.name.substr(prefix.size(), 2))});
    return true;
  });

  for (const Candidate& candidate : candidates) {
    if (listed(candidate.code)) continue;
    std::string bytes;
    if (platform::ReadWholeFile(candidate.path, bytes, kMaxLanguageFileBytes) != 0) continue;
    std::u16string name;
    if (!FindLanguageValue(DecodeLanguageFile(bytes), u"Language", name)) continue;
    choices.push_back({candidate.code, std::move(name), true});
  }
  return choices;
}

// --- Menus ---------------------------------------------------------------------------------------

namespace {

int FindItemWithoutText(const MenuItem* tree, const Catalogue& catalogue, int depth) {
  if (tree == nullptr || depth > kMaxMenuDepth) return 0;
  for (const MenuItem* item = tree; item->id != 0; ++item) {
    if (item->id == kSeparatorId || (item->flags & kMenuSeparator) != 0) continue;
    if (MenuPart(GetText(catalogue, item->id)).empty()) return item->id;
    if (const int missing = FindItemWithoutText(item->subMenu, catalogue, depth + 1); missing != 0)
      return missing;
  }
  return 0;
}

}  // namespace

int FindItemWithoutText(const MenuItem* tree, const Catalogue& catalogue) {
  return FindItemWithoutText(tree, catalogue, 0);
}

int FindMenuItemWithoutText() {
  const LanguageRecord* record = InstalledLanguageRecord();
  const auto active = Active();
  if (record == nullptr || active == nullptr) return 0;
  for (const MenuItem* tree : {record->mainMenu, record->listMenuAddition, record->selectionMenu}) {
    if (const int missing = FindItemWithoutText(tree, active->catalogue); missing != 0) return missing;
  }
  return 0;
}

}  // namespace tarnq::lang
