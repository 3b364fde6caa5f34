// In-process figures of the bus. The machine's speed drifts (frequency scaling, neighbours on a
// shared host), so every ratio is taken from batches of both sides that alternate within one
// benchmark run, never from two benchmark runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <vector>

#include "bus/busy_spin.hpp"
#include "bus/transmitter.hpp"
#include "bus_linux/gpio_port.hpp"
#include "bus_linux/ppdev_port.hpp"
#include "discarding_port.hpp"
#include "null_kernel.hpp"
#include "trace/tracing_port.hpp"

namespace {

constexpr const char* kWordA = "0010110110101010";  // 55 writes on the wire
constexpr int kWritesPerWordA = 55;

using Clock = std::chrono::steady_clock;

double seconds_of(int repeats, const std::function<void()>& work) {
  const auto start = Clock::now();
  for (int i = 0; i < repeats; ++i) work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Alternates batches of `first` and `second`; reports both per call and their ratio, each the
// median over the pairs of batches: a neighbour's burst or a preemption inside one batch moves
// the mean of the ratio, not its median.
void compare(benchmark::State& state, int batch, const std::function<void()>& first,
             const std::function<void()>& second) {
  std::vector<double> firsts;
  std::vector<double> seconds;
  std::vector<double> ratios;
  for (auto _ : state) {
    firsts.push_back(seconds_of(batch, first));
    seconds.push_back(seconds_of(batch, second));
    ratios.push_back(firsts.back() / seconds.back());
  }
  const auto median = [](std::vector<double>& values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
  };
  state.counters["first_ns"] = median(firsts) * 1e9 / batch;
  state.counters["second_ns"] = median(seconds) * 1e9 / batch;
  state.counters["ratio"] = median(ratios);
}

struct Bus {
  explicit Bus(std::int32_t delay_count, bus::Port& port)
      : library(port), settings{888, delay_count}, transmitter(settings, library) {}
  bus::Inpout library;
  bus::BusSettings settings;
  bus::Transmitter transmitter;
};

void empty_iteration(benchmark::State& state) {
  const auto count = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) bus::busy_spin(count);
  state.counters["ns_per_iteration"] =
      benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}
BENCHMARK(empty_iteration)->Arg(1'000'000);

void delay_ratio(benchmark::State& state) {
  DiscardingPort port;
  const Bus longer{static_cast<std::int32_t>(state.range(0)), port};
  const Bus shorter{static_cast<std::int32_t>(state.range(1)), port};
  compare(
      state, 20, [&] { longer.transmitter.delay(); }, [&] { shorter.transmitter.delay(); });
}
BENCHMARK(delay_ratio)->Args({1000, 100})->Args({100, 50});

void send_host_overhead(benchmark::State& state) {
  DiscardingPort port;
  const Bus fastest{0, port};
  for (auto _ : state) fastest.transmitter.Send(kWordA);
  state.counters["ns_per_write"] = benchmark::Counter(
      kWritesPerWordA, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(send_host_overhead);

// One register write through the GPIO back end against one through ppdev, both into a kernel
// that does nothing: what each costs on the host before the kernel's share.
void gpio_against_ppdev(benchmark::State& state) {
  bus::GpioPort gpio{
      "/bench/gpiochip0", {"0", "1", "2"}, std::nullopt, null_kernel(), "/nonexistent"};
  bus::PpdevPort ppdev{"/bench/parport0", 0x378, std::nullopt, null_kernel()};
  const Bus through_gpio{0, gpio};
  const Bus through_ppdev{0, ppdev};
  compare(
      state, 20, [&] { through_gpio.transmitter.Send(kWordA); },
      [&] { through_ppdev.transmitter.Send(kWordA); });
  state.counters["first_ns"] = state.counters["first_ns"] / kWritesPerWordA;
  state.counters["second_ns"] = state.counters["second_ns"] / kWritesPerWordA;
}
BENCHMARK(gpio_against_ppdev);

template <typename PortType>
void trace_cost(benchmark::State& state) {
  const auto path = std::filesystem::temp_directory_path() / "bus_bench_trace.vcd";
  {
    PortType port;
    trace::VcdWriter writer{path.string(), "bench", {}};
    trace::TracingPort tracer{port, writer, trace::clock_from_now(bus::steady_clock())};
    const Bus traced{100, tracer};
    const Bus plain{100, port};
    compare(
        state, 10, [&] { traced.transmitter.Send(kWordA); },
        [&] { plain.transmitter.Send(kWordA); });
  }
  std::filesystem::remove(path);
}
BENCHMARK(trace_cost<DiscardingPort>);
BENCHMARK(trace_cost<LegacySpeedPort>);

}  // namespace

BENCHMARK_MAIN();
