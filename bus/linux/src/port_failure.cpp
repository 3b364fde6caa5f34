#include "bus_linux/port_failure.hpp"

#include <array>
#include <cerrno>
#include <cstring>

#include "bus/gpio_lines_text.hpp"
#include "common/failure_message.hpp"
#include "common/program_name.hpp"

namespace bus {

namespace {

struct Failure {
  PortStep step;
  int error_number;  // 0: any other reason
  const char* what;
  const char* way_out;  // the choices before the simulated chip
};

constexpr const char* kLoadDriver =
    "Load the parallel-port driver (sudo modprobe ppdev parport_pc), pick another port with "
    "--port";
constexpr const char* kOtherPort = "Pick another port with --port";
constexpr const char* kHeldByAnother =
    "Another program holds the port: close it, pick another port with --port";
constexpr const char* kPortGone = "Check that the port is still there and restart";
constexpr const char* kChipGone =
    "Check that the GPIO chip (or the USB adapter) is still there and restart";
constexpr const char* kOldKernel =
    "The kernel lacks the GPIO character device's uAPI v2, which Linux 5.10 and newer have: "
    "update the kernel";

// First match wins: the specific reasons before each step's catch-all.
constexpr std::array<Failure, 20> kFailures{{
    {PortStep::open, ENOENT, "Cannot open", kLoadDriver},
    {PortStep::open, ENODEV, "Cannot open", kLoadDriver},
    {PortStep::open, ENXIO, "Cannot open", kLoadDriver},
    {PortStep::open, EACCES, "Cannot open",
     "Join the lp group (sudo usermod -aG lp $USER, then log in again)"},
    {PortStep::open, 0, "Cannot open", kOtherPort},
    {PortStep::claim, EBUSY, "Cannot claim", kHeldByAnother},
    // The kernel's answer when another program claimed the port exclusively.
    {PortStep::claim, ENXIO, "Cannot claim", kHeldByAnother},
    {PortStep::claim, 0, "Cannot claim", kOtherPort},
    {PortStep::write, 0, "Write failed on", kPortGone},
    {PortStep::read, 0, "Cannot read", kPortGone},
    {PortStep::permit, EPERM, "No I/O permission for",
     "Raw port I/O needs root or CAP_SYS_RAWIO (sudo setcap cap_sys_rawio+ep " SAA_PROGRAM_NAME
     "); or use the kernel driver with --port /dev/parportN"},
    {PortStep::gpio_open, EACCES, "Cannot open GPIO chip",
     "Join the gpio group (sudo usermod -aG gpio $USER, then log in again, and where no udev "
     "rule gives that group the chips install " SAA_PROGRAM_NAME
     "'s: README, Access without root)"},
    {PortStep::gpio_open, 0, "Cannot open GPIO chip",
     "Name one of this machine's chips in --port " SAA_GPIO_LINES_FORM},
    {PortStep::gpio_none, 0, "Cannot open GPIO chip",
     "Wire the bus to a parallel port (--port /dev/parportN) or to a machine with GPIO lines"},
    {PortStep::gpio_request, EBUSY, "Cannot request",
     "Free the line (stop its user, or drop the overlay that claims it) or wire the bus to other "
     "lines"},
    {PortStep::gpio_request, ENOTTY, "Cannot request", kOldKernel},
    // Kernels before 5.10 answer a request they do not know with EINVAL.
    {PortStep::gpio_request, EINVAL, "Cannot request", kOldKernel},
    {PortStep::gpio_request, 0, "Cannot request", "Wire the bus to other lines"},
    {PortStep::gpio_write, 0, "Cannot set", kChipGone},
    {PortStep::gpio_read, 0, "Cannot read", kChipGone},
}};

}  // namespace

void port_failure(PortStep step, const std::string& where, int error_number,
                  std::string_view detail) {
  const char* what = "No I/O permission for";
  const char* way_out = kOtherPort;
  for (const auto& failure : kFailures) {
    if (failure.step == step &&
        (failure.error_number == 0 || failure.error_number == error_number)) {
      what = failure.what;
      way_out = failure.way_out;
      break;
    }
  }
  std::string reason = std::strerror(error_number);
  if (!detail.empty()) reason.append(". ").append(detail);
  throw common::failure(std::string(what) + " " + where, reason, common::or_try_simulate(way_out));
}

}  // namespace bus
