#include "common/failure_message.hpp"
#include "fatal_report.hpp"
#include "listen_address.hpp"
#include "web_page.hpp"

namespace app {

std::unique_ptr<WebPage> serve_web_page(const cli::Endpoint& endpoint, form::Panel&,
                                        form::StatusSource, std::function<void()>) {
  print_error(common::failure_message("Cannot serve the web page on " + endpoint_text(endpoint),
                                      "this build for Windows has no web page",
                                      "Tune it in the window, or through --rigctld"));
  return nullptr;
}

}  // namespace app
