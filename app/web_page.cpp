#include "web_page.hpp"

#include "common/failure_message.hpp"
#include "common/fatal_error.hpp"
#include "fatal_report.hpp"
#include "listen_address.hpp"
#include "web/password_file.hpp"
#include "web/web_server.hpp"

namespace app {

namespace {

class ServedPage : public WebPage {
 public:
  ServedPage(form::Panel& panel, form::StatusSource status, std::optional<QByteArray> password,
             web::SweepControl* sweep, web::StationsOffer stations)
      : server(panel, std::move(status), std::move(password), sweep, std::move(stations)) {}
  std::string status() const override {
    const int pages = server.pages();
    return "web page " + address + ", " + std::to_string(pages) +
           (pages == 1 ? " page" : " pages") + " open";
  }
  void publish() override { server.publish(); }
  void publish_now() override { server.publish_now(); }
  void show_sweep(const web::SweepOutcome& outcome) override { server.show_sweep(outcome); }

  web::WebServer server;
  std::string address;
};

}  // namespace

std::unique_ptr<WebPage> serve_web_page(const cli::Endpoint& endpoint,
                                        const std::optional<std::string>& proxy, form::Panel& panel,
                                        form::StatusSource status,
                                        std::function<void()> pages_changed,
                                        web::SweepControl* sweep, web::StationsOffer stations) {
  const QHostAddress address = listen_address(endpoint);
  std::optional<QByteArray> password;
  const std::string password_file = web::password_file_path();
  if (!address.isLoopback() || proxy) {
    try {
      password = web::password_from_file(password_file);
    } catch (const common::FatalError& error) {
      print_error(error.what());
      return nullptr;
    }
  }
  auto page =
      std::make_unique<ServedPage>(panel, std::move(status), password, sweep, std::move(stations));
  if (proxy) page->server.trust_proxy(*proxy);
  const std::string error = page->server.listen(address, endpoint.port);
  if (!error.empty()) {
    print_error(
        common::failure_message("Cannot serve the web page on " + endpoint_text(endpoint), error,
                                "Give --http a free port on one of this machine's addresses"));
    return nullptr;
  }
  cli::Endpoint served = endpoint;
  served.port = page->server.port();
  page->address = endpoint_text(served);
  // Port 0 asks the system for a free one: say which.
  if (endpoint.port == 0) print_error("web page listens on " + page->address);
  page->server.on_pages_changed(std::move(pages_changed));
  if (password) {
    print_error("the web page on " + page->address + " asks for the password in " + password_file);
  }
  return page;
}

}  // namespace app
