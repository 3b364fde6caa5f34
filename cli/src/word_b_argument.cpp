#include "cli/word_b_argument.hpp"

#include <algorithm>
#include <set>
#include <vector>

#include "words/word_b.hpp"

namespace cli {

namespace {

// One choice of a setting: the window's own text and the short forms also taken for it.
struct Choice {
  std::string_view window_text;
  std::vector<std::string_view> short_forms;
};

struct Setting {
  std::string_view name;
  std::vector<Choice> choices;  // in the order of the toggle's states or the list's rows
  void (*apply)(words::WordBChoice& word_b, int index);
  int (*index_of)(const words::WordBChoice& word_b);  // -1: no row chosen
};

std::vector<Choice> toggle_choices(const words::ToggleTexts& texts,
                                   std::vector<std::string_view> off,
                                   std::vector<std::string_view> on) {
  return {{texts.off, std::move(off)}, {texts.on, std::move(on)}};
}

std::vector<Choice> list_choices(std::span<const words::ListRow> rows,
                                 std::vector<std::vector<std::string_view>> short_forms) {
  std::vector<Choice> choices;
  for (std::size_t row = 0; row < rows.size(); ++row) {
    choices.push_back({rows[row].item, row < short_forms.size() ? short_forms[row]
                                                                : std::vector<std::string_view>{}});
  }
  return choices;
}

const std::vector<Setting>& settings() {
  static const std::vector<Setting> kSettings{
      {"refh", toggle_choices(words::kREFHTexts, {"1"}, {"1.25"}),
       [](words::WordBChoice& w, int index) { w.refh = index == 1; },
       [](const words::WordBChoice& w) { return int{w.refh}; }},
      {"current", list_choices(words::kCurrentRows, {}),
       [](words::WordBChoice& w, int index) { w.current = index; },
       [](const words::WordBChoice& w) { return w.current; }},
      {"sla", toggle_choices(words::kSLATexts, {"async", "asynchronous"}, {"sync", "synchronous"}),
       [](words::WordBChoice& w, int index) { w.sla = index == 1; },
       [](const words::WordBChoice& w) { return int{w.sla}; }},
      {"phase", list_choices(words::kPhaseRows, {{"auto"}, {"on"}, {"off"}}),
       [](words::WordBChoice& w, int index) { w.phase = index; },
       [](const words::WordBChoice& w) { return w.phase; }},
      {"brm", toggle_choices(words::kBRMTexts, {"on", "always-on"}, {"switched"}),
       [](words::WordBChoice& w, int index) { w.brm = index == 1; },
       [](const words::WordBChoice& w) { return int{w.brm}; }},
      {"test", list_choices(words::kTestRows, {{}, {"reference"}, {"programmable"}, {"lock"}}),
       [](words::WordBChoice& w, int index) { w.test = index; },
       [](const words::WordBChoice& w) { return w.test; }},
  };
  return kSettings;
}

bool same_text(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::string_view short_form(const Choice& choice) {
  return choice.short_forms.empty() ? choice.window_text : choice.short_forms.front();
}

// "auto, on, off": the short form of each choice where it has one.
std::string choices_text(const Setting& setting) {
  std::string text;
  for (const auto& choice : setting.choices) {
    if (!text.empty()) text += ", ";
    text += short_form(choice);
  }
  return text;
}

int choice_index(const Setting& setting, std::string_view value) {
  for (std::size_t index = 0; index < setting.choices.size(); ++index) {
    const Choice& choice = setting.choices[index];
    if (same_text(choice.window_text, value) ||
        std::ranges::any_of(choice.short_forms,
                            [value](std::string_view form) { return same_text(form, value); })) {
      return static_cast<int>(index);
    }
  }
  throw UsageError("invalid --word-b value '" + std::string(value) + "' for " +
                   std::string(setting.name) + ": give one of " + choices_text(setting));
}

const Setting& setting_named(std::string_view name) {
  const auto& all = settings();
  const auto found = std::ranges::find_if(
      all, [name](const Setting& setting) { return same_text(setting.name, name); });
  if (found != all.end()) return *found;
  std::string names;
  for (const auto& setting : all) names += (names.empty() ? "" : ", ") + std::string(setting.name);
  throw UsageError("invalid --word-b setting '" + std::string(name) + "': the settings are " +
                   names);
}

}  // namespace

words::WordBChoice parse_word_b(std::string_view value, const words::WordBChoice& onto) {
  words::WordBChoice word_b = onto;
  std::set<std::string_view> given;
  while (true) {
    const auto comma = value.find(',');
    const std::string_view pair = value.substr(0, comma);
    const auto equals = pair.find('=');
    if (equals == std::string_view::npos) {
      throw UsageError("invalid --word-b value '" + std::string(pair) +
                       "': give NAME=VALUE pairs, such as refh=1.25,current=0.23");
    }
    const Setting& setting = setting_named(pair.substr(0, equals));
    if (!given.insert(setting.name).second) {
      throw UsageError("--word-b gives " + std::string(setting.name) + " twice");
    }
    setting.apply(word_b, choice_index(setting, pair.substr(equals + 1)));
    if (comma == std::string_view::npos) return word_b;
    value.remove_prefix(comma + 1);
  }
}

std::string format_word_b(const words::WordBChoice& word_b) {
  std::string text;
  for (const Setting& setting : settings()) {
    const int index = setting.index_of(word_b);
    if (index < 0) continue;
    if (!text.empty()) text += ',';
    text += std::string(setting.name) + "=" +
            std::string(short_form(setting.choices[static_cast<std::size_t>(index)]));
  }
  return text;
}

}  // namespace cli
