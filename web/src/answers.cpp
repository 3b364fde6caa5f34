#include "answers.hpp"

#include <QFile>
#include <QUrlQuery>
#include <array>
#include <boost/beast/http/field.hpp>
#include <boost/beast/http/verb.hpp>
#include <iostream>
#include <string_view>

#include "common/program_name.hpp"

namespace web {

namespace {

namespace http = boost::beast::http;

// Nothing but the page's own files runs or loads, and no other site may frame it.
constexpr std::array<std::pair<const char*, const char*>, 5> kEveryAnswer{{
    {"Content-Security-Policy",
     "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
     "connect-src 'self'; form-action 'self'; base-uri 'none'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "no-referrer"},
    {"Cache-Control", "no-store"},
    {"X-Frame-Options", "DENY"},
}};

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kText = "text/plain; charset=utf-8";
constexpr const char* kCsv = "text/csv; charset=utf-8";
constexpr std::string_view kSocketPath = "/socket";

struct PageFile {
  const char* path;  // "/" is the tuning page, or the login page to those who need one
  const char* resource;
  const char* type;
};
constexpr std::array<PageFile, 6> kFiles{{
    {"/", ":/web/index.html", kHtml},
    {"/", ":/web/login.html", kHtml},
    {"/page.css", ":/web/page.css", "text/css; charset=utf-8"},
    {"/page.js", ":/web/page.js", "text/javascript; charset=utf-8"},
    {"/login.js", ":/web/login.js", "text/javascript; charset=utf-8"},
    {"/icon.svg", ":/web/icon.svg", "image/svg+xml"},
}};
constexpr std::size_t kTuningPage = 0;
constexpr std::size_t kLoginPage = 1;

std::string resource(const char* name) {
  QFile file(name);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

QByteArrayView field(const Request& request, http::field name) {
  const auto value = request[name];
  return {value.data(), static_cast<qsizetype>(value.size())};
}

std::string_view path_of(const Request& request) {
  const std::string_view target = request.target();
  return target.substr(0, target.find('?'));
}

// The scheme of a page reached through a TLS proxy in front of it.
constexpr std::string_view kTls = "https://";

// A browser says where a request comes from: the page's own origin is http:// and its Host or,
// through a TLS proxy in front of it, https:// and one of the box's names.
bool from_own_page(const Request& request, const AllowedHosts& hosts) {
  const std::string_view origin = request[http::field::origin];
  if (origin == "http://" + std::string(request[http::field::host])) return true;
  return origin.starts_with(kTls) && hosts.names_box(origin.substr(kTls.size()));
}

QByteArray password_of(const Request& request) {
  // Forms encode a space as '+', which QUrlQuery leaves as it is.
  QByteArray body = QByteArray::fromStdString(request.body());
  body.replace('+', "%20");
  return QUrlQuery(QString::fromLatin1(body))
      .queryItemValue("password", QUrl::FullyDecoded)
      .toUtf8();
}

Answer text(http::status status, const char* body) { return {status, kText, body, {}}; }

}  // namespace

Answers::Answers(std::optional<QByteArray> password)
    : gate_(std::move(password)), files_(kFiles.size()) {}

const std::string& Answers::file(std::size_t index) {
  // Read when first asked for: a program that nobody browses pays nothing for them.
  if (!files_[index]) files_[index] = resource(kFiles[index].resource);
  return *files_[index];
}

Answer Answers::to(const Request& request, const std::string& address) {
  if (!hosts_.allows(field(request, http::field::host))) {
    return text(http::status::misdirected_request,
                "This page is served only under the box's own names.\n");
  }
  const std::string_view path = path_of(request);
  const bool get = request.method() == http::verb::get || request.method() == http::verb::head;
  if (path == "/login" && request.method() == http::verb::post) return log_in(request, address);
  if (get && path == "/") {
    const bool admitted = gate_.admits(field(request, http::field::cookie));
    return {http::status::ok, kHtml, file(admitted ? kTuningPage : kLoginPage), {}};
  }
  constexpr const char* kNoSweep = "No sweep yet.\n";
  if (get && path == "/sweep.csv") return session_file(request, sweep_csv_, kCsv, kNoSweep);
  if (get && path == "/sweep.svg") {
    return session_file(request, sweep_svg_, "image/svg+xml", kNoSweep);
  }
  if (get && path == "/stations.csv") {
    return session_file(request, stations_csv_, kCsv, "No stations here.\n");
  }
  for (std::size_t i = kLoginPage + 1; i < kFiles.size(); ++i) {
    if (get && path == kFiles[i].path) {
      return {http::status::ok, kFiles[i].type, file(i), {}};
    }
  }
  return text(http::status::not_found, "Not found.\n");
}

Answer Answers::session_file(const Request& request, const std::optional<std::string>& body,
                             const char* type, const char* missing) const {
  // What the panel measured and the owner's stations are the session's, as the page is.
  if (!gate_.admits(field(request, http::field::cookie))) return refusal(http::status::forbidden);
  if (!body) return text(http::status::not_found, missing);
  return {http::status::ok, type, *body, {}};
}

Answer Answers::log_in(const Request& request, const std::string& address) {
  if (!gate_.needs_password()) return text(http::status::not_found, "No password here.\n");
  if (!request[http::field::origin].empty() && !from_own_page(request, hosts_)) {
    return text(http::status::forbidden, "Log in from the box's own page.\n");
  }
  const auto attempt = gate_.log_in(password_of(request), address, LoginGate::Clock::now());
  const std::string wait = std::to_string(attempt.wait.count());
  switch (attempt.outcome) {
    case LoginGate::Outcome::kAccepted:
      // A page reached over https, through a TLS proxy, keeps its cookie off plain HTTP.
      return {http::status::no_content,
              kText,
              {},
              {{"Set-Cookie",
                std::string(LoginGate::kCookieName) + "=" + attempt.session.toStdString() +
                    "; Path=/; HttpOnly; SameSite=Strict" +
                    (request[http::field::origin].starts_with(kTls) ? "; Secure" : "")}}};
    case LoginGate::Outcome::kWrong:
      // Once per interval at most: a flood of them would drown the log.
      if (!attempt.note.empty())
        std::cerr << common::kProgramName << ": " << attempt.note << std::endl;
      return {http::status::unauthorized, kText, "Wrong password.\n", {{"Retry-After", wait}}};
    case LoginGate::Outcome::kTooSoon:
      return {http::status::too_many_requests,
              kText,
              "Too soon after a wrong password.\n",
              {{"Retry-After", wait}}};
  }
  return text(http::status::internal_server_error, "");
}

bool Answers::admits_page(const Request& request) const {
  return hosts_.allows(field(request, http::field::host)) && from_own_page(request, hosts_) &&
         path_of(request) == kSocketPath && gate_.admits(field(request, http::field::cookie));
}

Answer Answers::refusal(http::status status) {
  switch (status) {
    case http::status::request_header_fields_too_large:
      return text(status, "The request's headers are too long.\n");
    case http::status::payload_too_large:
      return text(status, "The request's body is too long.\n");
    case http::status::forbidden:
      return text(status, "Not allowed.\n");
    default:
      return text(http::status::bad_request, "Not a request this page understands.\n");
  }
}

Response response(const Answer& answer, unsigned version, bool keep_alive) {
  Response response{answer.status, version};
  for (const auto& [name, value] : kEveryAnswer) response.set(name, value);
  for (const auto& [name, value] : answer.headers) response.set(name, value);
  response.set(http::field::content_type, answer.type);
  response.body() = answer.body;
  response.keep_alive(keep_alive);
  response.prepare_payload();
  return response;
}

}  // namespace web
