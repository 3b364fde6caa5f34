#pragma once

#include <QByteArray>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/string_body.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "web/allowed_hosts.hpp"
#include "web/login_gate.hpp"

namespace web {

using Request = boost::beast::http::request<boost::beast::http::string_body>;
using Response = boost::beast::http::response<boost::beast::http::string_body>;

struct Answer {
  boost::beast::http::status status;
  const char* type;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

// What the page's server answers, apart from its sockets: the page's files to the box's own
// names, the password, and who may open a page's WebSocket.
class Answers {
 public:
  // `password`: none where the address is this machine's own loopback.
  explicit Answers(std::optional<QByteArray> password);

  // The names the page is served under, known once its port is.
  void serve_under(AllowedHosts hosts) { hosts_ = std::move(hosts); }

  // `address`: the client's, whose wrong passwords make it wait.
  Answer to(const Request& request, const std::string& address);

  // The last sweep's rows and plot, for /sweep.csv and /sweep.svg.
  void keep_sweep(std::string csv, std::string svg) {
    sweep_csv_ = std::move(csv);
    sweep_svg_ = std::move(svg);
  }

  // The stations, for /stations.csv.
  void keep_stations(std::string csv) { stations_csv_ = std::move(csv); }

  // Whether an upgrade to a WebSocket comes from the box's own page, with a session.
  bool admits_page(const Request& request) const;

  // For a request that could not be read whole (431, 413, 400) or a refused WebSocket (403).
  static Answer refusal(boost::beast::http::status status);

 private:
  Answer log_in(const Request& request, const std::string& address);
  // `missing`: the answer's text while there is no body.
  Answer session_file(const Request& request, const std::optional<std::string>& body,
                      const char* type, const char* missing) const;
  const std::string& file(std::size_t index);

  AllowedHosts hosts_{0, {}, {}};  // none until serve_under
  LoginGate gate_;
  std::vector<std::optional<std::string>> files_;  // the page's files, as kFiles lists them
  std::optional<std::string> sweep_csv_;
  std::optional<std::string> sweep_svg_;
  std::optional<std::string> stations_csv_;
};

// The answer as it goes out, with the headers that every answer carries.
Response response(const Answer& answer, unsigned version, bool keep_alive);

}  // namespace web
