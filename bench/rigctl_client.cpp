// rigctl_client HOST PORT COUNT: sends COUNT `f` requests over one TCP connection, one at a
// time, and prints the requests per second and the 50th and 99th percentile latency.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Reads until the answer's line is complete; false when the server went away.
bool read_line(int fd) {
  char buffer[256];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    if (buffer[n - 1] == '\n') return true;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: rigctl_client HOST PORT COUNT\n");
    return 2;
  }
  const int count = std::atoi(argv[3]);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[2])));
  if (::inet_pton(AF_INET, argv[1], &address.sin_addr) != 1) return 2;
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::perror("rigctl_client: connect");
    return 1;
  }
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

  std::vector<double> micros;
  micros.reserve(static_cast<std::size_t>(count));
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    const auto sent = Clock::now();
    if (::write(fd, "f\n", 2) != 2 || !read_line(fd)) {
      std::fprintf(stderr, "rigctl_client: the server stopped answering after %d requests\n", i);
      return 1;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  ::close(fd);
  std::ranges::sort(micros);
  std::printf("requests_per_second %.0f\np50_us %.1f\np99_us %.1f\n", count / seconds,
              micros[micros.size() / 2], micros[micros.size() * 99 / 100]);
  return 0;
}
