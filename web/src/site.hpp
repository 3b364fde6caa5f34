#pragma once

#include <QHostAddress>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace web {

class Answers;
class Pages;
class HttpSession;

// What every connection on the network's thread shares.
struct Site {
  Answers& answers;
  Pages& pages;
  int connections = 0;              // HTTP connections open, upgraded ones not counted
  std::map<std::string, int> held;  // of those, each client's (the box's own not counted)
  std::list<std::weak_ptr<HttpSession>> idle;  // kept alive between requests, longest first
  std::optional<QHostAddress> proxy;           // whose X-Forwarded-For is believed
};

}  // namespace web
