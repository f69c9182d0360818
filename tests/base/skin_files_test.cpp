// Checks of the skin's data files: the three language files and the images with
// their scale variants. The GUI reads these at run time, so a missing key, a broken
// file or a wrong placeholder would only show up in front of a user; here it fails
// a test instead. Plain C++ on purpose: the core test suite has no Qt.

#include "session/channel_copy.h"
#include "autosetup/auto_setup.h"
#include "autosetup/distance_alignment.h"
#include "session/edit.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kSource = VLM_SOURCE_DIR;

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    int extra = 0;
    uint32_t cp = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      return false;
    }
    if (i + extra >= bytes.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto cont = static_cast<unsigned char>(bytes[i + k]);
      if ((cont & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cont & 0x3F);
    }
    static const uint32_t kMinForLength[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinForLength[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

// What a language file holds, in file order, or why it could not be read.
struct LanguageFile {
  std::string name;
  std::vector<std::pair<std::string, std::string>> strings;
  std::string error;
};

// A reader for exactly the shape the language files have:
//   <?xml version="1.0" encoding="UTF-8"?> <language name="…"> <string key="…">text</string>… </language>
// with comments allowed between elements. Anything else is an error, so a file
// that this accepts is also well-formed XML for the toolkit's reader.
class LanguageReader {
 public:
  explicit LanguageReader(std::string text) : s_(std::move(text)) {}

  LanguageFile Read() {
    LanguageFile file;
    if (!IsValidUtf8(s_)) return Fail(file, "not valid UTF-8");
    const std::string decl = "<?xml";
    if (s_.compare(0, decl.size(), decl) != 0) return Fail(file, "no XML declaration at the start");
    const size_t declEnd = s_.find("?>");
    if (declEnd == std::string::npos) return Fail(file, "unterminated XML declaration");
    const std::string declText = s_.substr(0, declEnd);
    if (declText.find("encoding=\"UTF-8\"") == std::string::npos)
      return Fail(file, "declaration does not say encoding=\"UTF-8\"");
    pos_ = declEnd + 2;

    SkipMisc();
    std::map<std::string, std::string> attrs;
    std::string tag;
    bool selfClosing = false;
    if (!ReadStartTag(tag, attrs, selfClosing) || tag != "language" || selfClosing)
      return Fail(file, "root element <language> expected");
    file.name = attrs["name"];

    for (;;) {
      SkipMisc();
      if (pos_ >= s_.size()) return Fail(file, "</language> missing");
      if (s_.compare(pos_, 11, "</language>") == 0) {
        pos_ += 11;
        break;
      }
      if (!ReadStartTag(tag, attrs, selfClosing) || tag != "string")
        return Fail(file, "<string> expected at offset " + std::to_string(pos_));
      if (attrs.count("key") == 0) return Fail(file, "<string> without key near offset " + std::to_string(pos_));
      std::string text;
      if (!selfClosing) {
        const size_t end = s_.find('<', pos_);
        if (end == std::string::npos) return Fail(file, "unterminated <string>");
        if (!DecodeText(s_.substr(pos_, end - pos_), text))
          return Fail(file, "bad character or entity in the text of key " + attrs["key"]);
        pos_ = end;
        if (s_.compare(pos_, 9, "</string>") != 0)
          return Fail(file, "</string> expected after key " + attrs["key"]);
        pos_ += 9;
      }
      file.strings.emplace_back(attrs["key"], text);
    }
    SkipMisc();
    if (pos_ != s_.size()) return Fail(file, "content after </language>");
    return file;
  }

 private:
  static LanguageFile& Fail(LanguageFile& file, const std::string& why) {
    file.error = why;
    return file;
  }

  void SkipMisc() {
    for (;;) {
      while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
      if (s_.compare(pos_, 4, "<!--") != 0) return;
      const size_t end = s_.find("-->", pos_ + 4);
      pos_ = end == std::string::npos ? s_.size() : end + 3;
    }
  }

  static bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':';
  }

  bool ReadStartTag(std::string& tag, std::map<std::string, std::string>& attrs, bool& selfClosing) {
    attrs.clear();
    selfClosing = false;
    if (pos_ >= s_.size() || s_[pos_] != '<') return false;
    ++pos_;
    tag.clear();
    while (pos_ < s_.size() && IsNameChar(s_[pos_])) tag += s_[pos_++];
    if (tag.empty()) return false;
    for (;;) {
      const size_t before = pos_;
      while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
      if (pos_ >= s_.size()) return false;
      if (s_[pos_] == '>') {
        ++pos_;
        return true;
      }
      if (s_.compare(pos_, 2, "/>") == 0) {
        pos_ += 2;
        selfClosing = true;
        return true;
      }
      if (pos_ == before) return false;  // attributes must be separated by white space
      std::string name;
      while (pos_ < s_.size() && IsNameChar(s_[pos_])) name += s_[pos_++];
      if (name.empty() || pos_ + 1 >= s_.size() || s_[pos_] != '=') return false;
      const char quote = s_[++pos_];
      if (quote != '"' && quote != '\'') return false;
      const size_t end = s_.find(quote, ++pos_);
      if (end == std::string::npos) return false;
      std::string value;
      if (!DecodeText(s_.substr(pos_, end - pos_), value)) return false;
      if (!attrs.emplace(name, value).second) return false;  // duplicate attribute
      pos_ = end + 1;
    }
  }

  static void AppendUtf8(uint32_t cp, std::string& out) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  // Resolves the five predefined entities and character references; a bare '&'
  // or '<' is not XML.
  static bool DecodeText(const std::string& raw, std::string& out) {
    static const std::map<std::string, char> kEntities = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    out.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '<') return false;
      if (raw[i] != '&') {
        out += raw[i];
        continue;
      }
      const size_t semi = raw.find(';', i);
      if (semi == std::string::npos) return false;
      const std::string ref = raw.substr(i + 1, semi - i - 1);
      if (auto it = kEntities.find(ref); it != kEntities.end()) {
        out += it->second;
      } else if (ref.size() > 1 && ref[0] == '#') {
        const bool hex = ref[1] == 'x';
        const std::string digits = ref.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 6) return false;
        uint32_t cp = 0;
        for (char c : digits) {
          if (!std::isxdigit(static_cast<unsigned char>(c)) || (!hex && !std::isdigit(static_cast<unsigned char>(c))))
            return false;
          cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                                               ? c - '0'
                                                               : std::tolower(c) - 'a' + 10);
        }
        if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        AppendUtf8(cp, out);
      } else {
        return false;
      }
      i = semi;
    }
    return true;
  }

  std::string s_;
  size_t pos_ = 0;
};

// The printf conversions of a text in order ("%d", "%s", "%.1f", "%ls"…), without
// "%%". A '%' that starts no conversion gives nullopt: printf would misread it.
std::optional<std::vector<std::string>> FormatSpecifiers(const std::string& text) {
  static const std::regex kSpec(R"(%[-+ #0]*(\d+|\*)?(\.(\d+|\*))?(hh|h|ll|l|L|z|j|t)?[diouxXeEfFgGaAcsp%])");
  std::vector<std::string> specs;
  size_t i = 0;
  while ((i = text.find('%', i)) != std::string::npos) {
    std::smatch m;
    const std::string rest = text.substr(i);
    if (!std::regex_search(rest, m, kSpec, std::regex_constants::match_continuous)) return std::nullopt;
    if (m.str() != "%%") specs.push_back(m.str());
    i += m.length();
  }
  return specs;
}

struct Language {
  const char* file;
  const char* name;  // the language name the program registers the file under
};
const Language kLanguages[] = {{"lan_en.xml", "en"}, {"lan_cn.xml", "cn_zh"}, {"lan_ru.xml", "ru"}};

LanguageFile LoadLanguage(const char* file) {
  return LanguageReader(ReadWholeFile(kSource / "skin" / "lan" / file)).Read();
}

// C++ text with its comments blanked out, so that a comment explaining the
// "${key}" form is not taken for a use of a key. String and character literals
// (raw ones included) are kept as they are.
std::string StripCppComments(const std::string& src) {
  std::string out;
  out.reserve(src.size());
  size_t i = 0;
  while (i < src.size()) {
    const char c = src[i];
    if (c == '/' && i + 1 < src.size() && src[i + 1] == '/') {
      while (i < src.size() && src[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < src.size() && src[i + 1] == '*') {
      const size_t end = src.find("*/", i + 2);
      i = end == std::string::npos ? src.size() : end + 2;
      out += ' ';
    } else if (c == 'R' && i + 1 < src.size() && src[i + 1] == '"') {
      const size_t open = src.find('(', i + 2);
      if (open == std::string::npos) {
        out += src.substr(i);
        break;
      }
      const std::string close = ")" + src.substr(i + 2, open - i - 2) + "\"";
      const size_t end = src.find(close, open);
      const size_t stop = end == std::string::npos ? src.size() : end + close.size();
      out += src.substr(i, stop - i);
      i = stop;
    } else if (c == '"' || c == '\'') {
      size_t j = i + 1;
      while (j < src.size() && src[j] != c && src[j] != '\n') j += src[j] == '\\' ? 2 : 1;
      j = std::min(j + 1, src.size());
      out += src.substr(i, j - i);
      i = j;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

// Every "${key}" written in the program's code and in the skin's layouts and menus.
std::map<std::string, std::string> KeysUsedInSources() {
  static const std::regex kKey(R"(\$\{([A-Za-z0-9_ ]+)\})");
  static const std::set<std::string> kExtensions = {".cpp", ".h", ".hpp", ".ui", ".xml", ".qss", ".qrc"};
  std::map<std::string, std::string> keys;  // key -> first file that uses it
  for (const char* root : {"src", "skin"}) {
    const fs::path dir = kSource / root;
    if (!fs::exists(dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file() || kExtensions.count(entry.path().extension().string()) == 0) continue;
      const fs::path rel = fs::relative(entry.path(), kSource);
      if (rel.string().rfind("skin/lan/", 0) == 0) continue;
      const std::string ext = entry.path().extension().string();
      const bool cpp = ext == ".cpp" || ext == ".h" || ext == ".hpp";
      const std::string text = cpp ? StripCppComments(ReadWholeFile(entry.path())) : ReadWholeFile(entry.path());
      for (std::sregex_iterator it(text.begin(), text.end(), kKey), end; it != end; ++it)
        keys.emplace((*it)[1].str(), rel.string());
    }
  }
  return keys;
}

TEST(LanguageFiles, AreWellFormedUtf8WithUniqueNonEmptyTexts) {
  for (const auto& lang : kLanguages) {
    SCOPED_TRACE(lang.file);
    const LanguageFile file = LoadLanguage(lang.file);
    ASSERT_EQ(file.error, "");
    EXPECT_EQ(file.name, lang.name);
    EXPECT_GT(file.strings.size(), 100u);
    std::set<std::string> seen;
    for (const auto& [key, text] : file.strings) {
      EXPECT_TRUE(seen.insert(key).second) << "duplicate key " << key;
      EXPECT_FALSE(key.empty());
      EXPECT_EQ(key.find("${"), std::string::npos) << key << ": keys are written without ${ }";
      const bool blank = std::all_of(text.begin(), text.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
      EXPECT_FALSE(blank) << "empty text for key " << key;
      EXPECT_EQ(text.find("${"), std::string::npos) << key << ": a text must not be another key";
    }
  }
}

TEST(LanguageFiles, HoldTheSameKeysInEveryLanguage) {
  const LanguageFile en = LoadLanguage("lan_en.xml");
  ASSERT_EQ(en.error, "");
  std::set<std::string> enKeys;
  for (const auto& entry : en.strings) enKeys.insert(entry.first);
  for (const auto& lang : kLanguages) {
    SCOPED_TRACE(lang.file);
    const LanguageFile other = LoadLanguage(lang.file);
    ASSERT_EQ(other.error, "");
    std::set<std::string> keys;
    for (const auto& entry : other.strings) keys.insert(entry.first);
    for (const auto& k : enKeys) EXPECT_TRUE(keys.count(k)) << "missing key " << k;
    for (const auto& k : keys) EXPECT_TRUE(enKeys.count(k)) << "key not in English: " << k;
  }
}

TEST(LanguageFiles, CoverEveryKeyTheProgramAndTheSkinUse) {
  const LanguageFile en = LoadLanguage("lan_en.xml");
  ASSERT_EQ(en.error, "");
  std::set<std::string> known;
  for (const auto& entry : en.strings) known.insert(entry.first);
  for (const auto& [key, where] : KeysUsedInSources())
    EXPECT_TRUE(known.count(key)) << "\"${" << key << "}\" used in " << where << " has no text";
  // Keys the program formats or compares; they must exist even before the code using them does.
  for (const char* key : {"tips", "confirm", "off", "btn_connected", "btn_disconnected", "btn_connecting",
                          "reverse phase", "positive_phase", "all_bypass", "source_opt", "source_coax", "source_bt",
                          "source_aux", "source_low", "source_hi", "source_dmp", "update_tips", "same_name_tips"})
    EXPECT_TRUE(known.count(key)) << key;
  for (const vlm::autosetup::DistanceProblemText& row : vlm::autosetup::DistanceProblemTexts())
    EXPECT_TRUE(known.count(row.languageKey)) << row.languageKey;
  for (const vlm::autosetup::RunText& row : vlm::autosetup::RunTexts()) EXPECT_TRUE(known.count(row.languageKey)) << row.languageKey;
}

TEST(LanguageFiles, FormatPlaceholdersAgreeBetweenLanguages) {
  // Texts that the program passes through printf with its own arguments, and the
  // conversions those arguments need, in order. Every other text is shown as it
  // stands and must carry no conversion at all.
  std::map<std::string, std::vector<std::string>> kFormatted = {
      {"load_scene_tips1", {"%d", "%s"}},          // scene number, scene name
      {"load_scene_tips2", {"%d"}},                // scene number
      {"save_scene_overwrite", {"%d"}},            // scene number
      {"delete_scene_tips", {"%d", "%s"}},         // scene number, scene name
      {"same_name_tips", {"%s", "%d", "%s"}},      // entered name, scene number, that scene's name
      {"scene_name_unwritable", {"%s"}},           // the characters the code page cannot write
      {"update_tips", {"%d", "%d", "%d", "%d"}},   // amplifier major, minor, required major, minor
      {"update_progress_mcu", {"%d"}},             // percent
      {"update_progress_flash", {"%d"}},           // percent
      {"push_incomplete", {"%d"}},                 // settings not confirmed
      {"snapshot_count", {"%d"}},                  // snapshots listed
      {"snapshot_restore_tips", {"%s", "%s"}},     // the snapshot's time, its amplifier's serial
      {"snapshot_restoring", {"%d", "%d"}},        // commands sent, commands in all
      {"snapshot_restore_incomplete", {"%d"}},     // settings not confirmed
      {"snapshot_other_model", {"%s"}},            // why the file is refused
      {"tune_title", {"%d"}},                      // channel number
      {"tune_title_pair", {"%d", "%d"}},           // channel and partner numbers
      {"tune_range_value", {"%s", "%s"}},          // low and high frequency
      {"tune_fit_failed", {"%s"}},                 // the fit's reason
      {"tune_cannot_fit", {"%s"}},                 // why the input cannot be fitted
      {"tune_stats", {"%s", "%s", "%s", "%s"}},    // RMS before, after; largest before, after
      {"tune_bad_file", {"%s"}},                   // the reader's error, with the path
      {"tune_settings_differ", {"%s"}},            // file and the differing parts
      {"tune_saved", {"%s"}},                      // path
      {"tune_save_failed", {"%s"}},                // path
      {"tune_measuring", {"%d"}},                  // channel number
      {"tune_measured", {"%d", "%s", "%s"}},       // channel number, arrival in ms, path
      {"tune_measure_failed", {"%d", "%s"}},       // channel number, the measurement's reason
      {"tune_measure_not_restored", {"%s"}},       // why the amplifier was not restored
      {"tune_measure_cannot_start", {"%s"}},       // why not
      {"audio_device_absent", {"%s"}},             // the device's id
      {"audio_no_devices", {"%s"}},                // why the sound system lists none
      {"ab_not_sent", {"%s"}},                     // the first command not queued
      {"undo_step", {"%s"}},                       // the step's name
      {"redo_step", {"%s"}},                       // the step's name
      {"solo_failed", {"%s"}},                     // why the solo could not be switched
      {"override_restore_failed", {"%s"}},         // why the originals could not be restored
  };
  // The alignment window's problems name their channel as vlmctl's texts do.
  kFormatted["align_ready"] = {"%s"};  // the longest delay
  kFormatted["wizard_no_card"] = {"%s"};                         // why no sound card
  kFormatted["wizard_progress"] = {"%s", "%d", "%d", "%d"};      // step, channel, its place, channels
  kFormatted["wizard_stopped"] = {"%s"};                         // what stopped the run
  kFormatted["wizard_not_restored"] = {"%s", "%s"};              // what stopped it, why not restored
  kFormatted["wizard_figures"] = std::vector<std::string>(8, "%s");  // delay, gain, RMS, largest: before, after
  for (const vlm::autosetup::DistanceProblemText& row : vlm::autosetup::DistanceProblemTexts()) {
    const std::string english = row.english;
    kFormatted[row.languageKey] = english.find("%d") == std::string::npos ? std::vector<std::string>{}
                                                                         : std::vector<std::string>{"%d"};
  }
  // The auto-setup's messages take the channel, then the detail, as its English texts do.
  for (const vlm::autosetup::RunText& row : vlm::autosetup::RunTexts()) {
    const std::string english = row.english;
    std::vector<std::string>& wanted = kFormatted[row.languageKey];
    if (english.find("%d") != std::string::npos) wanted.push_back("%d");
    if (english.find("%s") != std::string::npos) wanted.push_back("%s");
  }
  // The names of undo steps take the numbers the edit table gives them.
  using vlm::Edit;
  using vlm::EditKind;
  using vlm::SettingKind;
  using vlm::SettingTarget;
  using vlm::StepName;
  auto addStepName = [&kFormatted](const StepName& name) {
    kFormatted[name.key] = std::vector<std::string>(name.numbers.size(), "%d");
  };
  const auto profile = std::make_unique<vlm::SceneProfile>();
  std::vector<SettingTarget> targets;
  for (const EditKind& kind : vlm::EditKinds()) {
    targets.clear();
    kind.targets(*profile, targets);
    for (const SettingTarget& t : targets) {
      for (int value = -1; value < 5; ++value) addStepName(kind.name(t, value));
    }
  }
  const std::vector<Edit> twoBands = {
      {SettingTarget::Part(SettingKind::EqBand, 0, 0, 0, 1), {1, 1, 0, 1}, {1, 1, 2, 1}},
      {SettingTarget::Part(SettingKind::EqBand, 0, 0, 0, 2), {1, 1, 0, 1}, {1, 1, 2, 1}}};
  addStepName(vlm::NameEdits(twoBands, 0));
  addStepName(vlm::ChannelCopyName({2, 4, vlm::kCopyAllGroups}));
  std::map<std::string, std::vector<std::string>> first;
  for (const auto& lang : kLanguages) {
    SCOPED_TRACE(lang.file);
    const LanguageFile file = LoadLanguage(lang.file);
    ASSERT_EQ(file.error, "");
    for (const auto& [key, text] : file.strings) {
      const auto specs = FormatSpecifiers(text);
      ASSERT_TRUE(specs.has_value()) << key << ": stray '%' in \"" << text << "\" (write %% for a percent sign)";
      const auto expected = kFormatted.find(key);
      if (expected != kFormatted.end()) {
        EXPECT_EQ(*specs, expected->second) << key << ": \"" << text << "\"";
      } else {
        EXPECT_TRUE(specs->empty() && text.find('%') == std::string::npos)
            << key << " is shown unformatted but holds '%': \"" << text << "\"";
      }
      auto [it, inserted] = first.emplace(key, *specs);
      if (!inserted) {
        EXPECT_EQ(*specs, it->second) << key << " differs from English";
      }
    }
  }
}

// The reader and the placeholder scan must themselves reject what they are meant to reject.
TEST(LanguageFiles, CheckerRejectsBrokenFiles) {
  const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language name=\"en\">";
  EXPECT_EQ(LanguageReader(head + "<string key=\"a\">A &amp; B &#x4E2D;</string></language>").Read().error, "");
  EXPECT_EQ(LanguageReader(head + "<string key=\"a\">A &amp; B &#x4E2D;</string></language>").Read().strings[0].second,
            "A & B \xE4\xB8\xAD");
  EXPECT_NE(LanguageReader(head + "<string key=\"a\">A & B</string></language>").Read().error, "");
  EXPECT_NE(LanguageReader(head + "<string key=\"a\">A</strin></language>").Read().error, "");
  EXPECT_NE(LanguageReader(head + "<string key=\"a\">A</string>").Read().error, "");
  EXPECT_NE(LanguageReader(head + "<string>A</string></language>").Read().error, "");
  EXPECT_NE(LanguageReader(head + "<string key=\"a\">\xC3\x28</string></language>").Read().error, "");
  EXPECT_NE(LanguageReader(head + "<string key=\"a\">\xE0\x80\xAF</string></language>").Read().error, "");  // overlong
  EXPECT_NE(LanguageReader(head + "<string key=\"a\">\xE4\xB8</string></language>").Read().error, "");  // cut short

  EXPECT_EQ(StripCppComments("a(\"${x}\"); // \"${y}\"\n/* ${z} */ b('\"'); c(\"//${w}\");"),
            "a(\"${x}\"); \n  b('\"'); c(\"//${w}\");");

  EXPECT_EQ(FormatSpecifiers("Scene %d \"%s\" at %.1f dB, 50%%"), (std::vector<std::string>{"%d", "%s", "%.1f"}));
  EXPECT_EQ(FormatSpecifiers("%ls and %02d"), (std::vector<std::string>{"%ls", "%02d"}));
  EXPECT_FALSE(FormatSpecifiers("100%!").has_value());
  EXPECT_EQ(FormatSpecifiers("50% off"), (std::vector<std::string>{"% o"}));  // printf reads "% o" as a conversion
  EXPECT_FALSE(FormatSpecifiers("ends with %").has_value());
}

// ---- images -------------------------------------------------------------

struct PngSize {
  uint32_t width = 0;
  uint32_t height = 0;
};

std::optional<PngSize> ReadPngSize(const fs::path& path) {
  const std::string bytes = ReadWholeFile(path);
  static const std::string kSignature = "\x89PNG\r\n\x1a\n";
  if (bytes.size() < 33 || bytes.compare(0, 8, kSignature) != 0 || bytes.compare(12, 4, "IHDR") != 0)
    return std::nullopt;
  auto be32 = [&](size_t at) {
    return (uint32_t(uint8_t(bytes[at])) << 24) | (uint32_t(uint8_t(bytes[at + 1])) << 16) |
           (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint32_t(uint8_t(bytes[at + 3]));
  };
  return PngSize{be32(16), be32(20)};
}

TEST(SkinImages, EveryImageHasItsScaleVariantsInProportion) {
  const std::set<std::string> kWith125 = {"logo", "btn_close", "btn_close_hot", "btn_close_pushed"};
  const char* kImages[] = {"logo",    "btn_close", "btn_close_hot", "btn_close_pushed", "btn_min",  "btn_min_hot",
                           "btn_min_pushed", "loading", "check_on", "check_off", "radio_on", "radio_off",
                           "btn_bg",  "btn_bg_hot", "btn_bg_pushed", "title_bg", "car", "right"};
  const fs::path dir = kSource / "skin" / "img";
  for (const std::string base : kImages) {
    SCOPED_TRACE(base);
    const auto full = ReadPngSize(dir / (base + ".png"));
    ASSERT_TRUE(full.has_value()) << "missing or not a PNG";
    for (int scale : {80, 125, 150, 200, 300}) {
      const fs::path variant = dir / (base + "@" + std::to_string(scale) + ".png");
      if (scale == 125 && kWith125.count(base) == 0) {
        EXPECT_FALSE(fs::exists(variant)) << "only the logo and the close buttons have a 125 % variant";
        continue;
      }
      const auto size = ReadPngSize(variant);
      ASSERT_TRUE(size.has_value()) << variant << " missing or not a PNG";
      const double w = full->width * scale / 100.0, h = full->height * scale / 100.0;
      EXPECT_NEAR(size->width, w, 1.0) << variant;
      EXPECT_NEAR(size->height, h, 1.0) << variant;
    }
  }
}

// Images are named in layouts (image properties, by base name or file name), in
// the style sheet (url(skin:<name>)) and in menus (file names).
TEST(SkinImages, EveryImageTheSkinNamesExists) {
  static const std::regex kPng(R"(([A-Za-z0-9_\-]+)\.png)");
  static const std::regex kStyleUrl(R"(url\(skin:([A-Za-z0-9_\-]+)\))");
  static const std::regex kImageProperty(R"(<property name="[a-z]*image"[^>]*>\s*<string>([^<]+)</string>)");
  const fs::path skin = kSource / "skin";
  std::map<std::string, std::string> named;  // base name -> first file naming it
  for (const auto& entry : fs::recursive_directory_iterator(skin)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".ui" && ext != ".xml" && ext != ".qss")) continue;
    const std::string rel = fs::relative(entry.path(), skin).string();
    if (rel.rfind("lan/", 0) == 0) continue;
    const std::string text = ReadWholeFile(entry.path());
    for (const auto* re : {&kPng, &kStyleUrl, &kImageProperty}) {
      for (std::sregex_iterator it(text.begin(), text.end(), *re), end; it != end; ++it) {
        std::string name = (*it)[1].str();
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) name.resize(name.size() - 4);
        named.emplace(fs::path(name).filename().string(), rel);
      }
    }
  }
  for (const auto& [name, where] : named)
    EXPECT_TRUE(fs::exists(skin / "img" / (name + ".png"))) << name << " named in " << where << " has no image";
}

}  // namespace
