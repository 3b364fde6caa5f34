#pragma once

#include <string>
#include <string_view>

#include "cli/options.hpp"

namespace cli {

// "--word-b" values: NAME=VALUE pairs separated by commas, for the settings refh, current, sla,
// phase, brm and test, each value as the window's item or label says it or a short form of it
// ("refh=1.25,current=0.23,sla=sync,phase=on,brm=switched,test=lock"). Case does not matter;
// anything else does. The settings not named are `onto`'s. Throws UsageError.
words::WordBChoice parse_word_b(std::string_view value, const words::WordBChoice& onto = {});

// The same pairs for `word_b`, each value in its short form where it has one; a list with no
// row chosen is left out: "refh=1,sla=async,brm=on,current=0.23,test=lock".
std::string format_word_b(const words::WordBChoice& word_b);

}  // namespace cli
