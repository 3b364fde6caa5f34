#pragma once

#include <optional>
#include <string>
#include <vector>

namespace web {

// A finished band sweep, as the pages show it and offer it for download.
struct SweepOutcome {
  std::string summary;             // "locks from 75.30 to 117.80 MHz, slowest 3.4 ms at 117.80"
  std::vector<std::string> notes;  // how it stopped early, what the line's levels say
  std::string csv;                 // the rows, as --sweep writes them
  std::string svg;                 // the plot
};

// The band sweep a page may start where the panel reads a lock line; on the panel's thread.
class SweepControl {
 public:
  virtual ~SweepControl() = default;
  // Starts sweeping the dividers "FROM-TO/STEP" names; returns why not, if not.
  virtual std::optional<std::string> start(const std::string& range) = 0;
  virtual void stop() = 0;
  // "sweeping: 12 of 571 steps, at 76.50 MHz"; empty while none runs.
  virtual std::string progress() const = 0;
};

}  // namespace web
