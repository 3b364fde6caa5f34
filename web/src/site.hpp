#pragma once

namespace web {

class Answers;
class Pages;

// What every connection on the network's thread shares.
struct Site {
  Answers& answers;
  Pages& pages;
  int connections = 0;  // HTTP connections open, upgraded ones not counted
};

}  // namespace web
