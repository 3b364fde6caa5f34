#include "remote/rigctl_server.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpSocket>
#include <QTest>
#include <memory>
#include <vector>

namespace {

class FakeTuner : public rigctl::Tuner {
 public:
  std::int32_t divider() const override { return divider_; }
  void tune(std::int32_t divider) override { divider_ = divider; }
  std::int32_t divider_ = 11690;
};

class RigctlServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(server.listen(QHostAddress::LocalHost, 0), "");
    port =
        static_cast<quint16>(std::stoi(server.address().substr(server.address().rfind(':') + 1)));
  }

  std::unique_ptr<QTcpSocket> connect_client() {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, port);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return socket->state() == QAbstractSocket::ConnectedState; }));
    return socket;
  }

  // Sends `request` and waits for `lines` lines of answer.
  static QByteArray ask(QTcpSocket& socket, const QByteArray& request, int lines) {
    socket.write(request);
    QByteArray answer;
    const bool complete = QTest::qWaitFor([&] {
      answer += socket.readAll();
      return answer.count('\n') >= lines;
    });
    EXPECT_TRUE(complete) << "no answer to " << request.toStdString();
    return answer;
  }

  static bool closed_by_server(QTcpSocket& socket) {
    return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; });
  }

  FakeTuner tuner;
  remote::RigctlServer server{tuner};
  quint16 port = 0;
};

TEST_F(RigctlServerTest, AnswersEachClientAndTunes) {
  EXPECT_EQ(server.status(), "rigctld 127.0.0.1:" + std::to_string(port) + ", 0 clients");
  auto client = connect_client();
  EXPECT_EQ(ask(*client, "f\n", 1), "106200000\n");
  EXPECT_EQ(ask(*client, "F 100000000.000000\nf\n", 2), "RPRT 0\n100000000\n");
  EXPECT_EQ(tuner.divider_, 11070);
  EXPECT_EQ(server.status(), "rigctld 127.0.0.1:" + std::to_string(port) + ", 1 client");
}

TEST_F(RigctlServerTest, QuitClosesTheConnection) {
  auto client = connect_client();
  EXPECT_EQ(ask(*client, "q\n", 1), "RPRT 0\n");
  EXPECT_TRUE(closed_by_server(*client));
  EXPECT_TRUE(QTest::qWaitFor([&] { return server.clients() == 0; }));
}

TEST_F(RigctlServerTest, AnOverlongLineClosesOnlyThatConnection) {
  auto rude = connect_client();
  auto polite = connect_client();
  rude->write(QByteArray(2000, 'x'));
  EXPECT_TRUE(closed_by_server(*rude));
  EXPECT_EQ(ask(*polite, "f\n", 1), "106200000\n");
}

TEST_F(RigctlServerTest, TheSeventeenthClientIsTurnedAway) {
  std::vector<std::unique_ptr<QTcpSocket>> clients;
  for (int i = 0; i < 16; ++i) clients.push_back(connect_client());
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.clients() == 16; }));
  EXPECT_EQ(server.status(), "rigctld 127.0.0.1:" + std::to_string(port) + ", 16 clients");
  auto extra = std::make_unique<QTcpSocket>();
  extra->connectToHost(QHostAddress::LocalHost, port);
  EXPECT_TRUE(closed_by_server(*extra));
  EXPECT_EQ(server.clients(), 16);
  EXPECT_EQ(ask(*clients.back(), "f\n", 1), "106200000\n");
}

TEST_F(RigctlServerTest, AClientThatLeavesMidCommandIsDropped) {
  int changes = 0;
  server.on_clients_changed([&] { ++changes; });
  {
    auto client = connect_client();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.clients() == 1; }));
    client->write("F 1000");
    client->flush();
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return server.clients() == 0; }));
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(tuner.divider_, 11690);
}

TEST_F(RigctlServerTest, AClientThatDoesNotReadItsAnswersIsDroppedPastTheLimit) {
  QTcpSocket hoarder;
  hoarder.setReadBufferSize(1);  // the answers pile up in the kernel's buffers, then the server's
  hoarder.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
  hoarder.connectToHost(QHostAddress::LocalHost, port);
  ASSERT_TRUE(hoarder.waitForConnected(5000));
  // Each request is answered with some 180 bytes: 9 MB in all, more than the kernel buffers.
  const QByteArray request = QByteArray("\\dump_state\n").repeated(50'000);
  hoarder.write(request);
  EXPECT_TRUE(closed_by_server(hoarder));
}

TEST(RigctlServerAddress, AnIpv6AddressIsBracketed) {
  FakeTuner tuner;
  remote::RigctlServer server{tuner};
  ASSERT_EQ(server.listen(QHostAddress::LocalHostIPv6, 0), "");
  EXPECT_EQ(server.status().rfind("rigctld [::1]:", 0), 0u) << server.status();
}

TEST(RigctlServerShutdown, EndsEveryConversationFirst) {
  FakeTuner tuner;
  auto server = std::make_unique<remote::RigctlServer>(tuner);
  ASSERT_EQ(server->listen(QHostAddress::LocalHost, 0), "");
  const auto port =
      static_cast<quint16>(std::stoi(server->address().substr(server->address().rfind(':') + 1)));
  int changes = 0;
  server->on_clients_changed([&changes] { ++changes; });
  std::vector<std::unique_ptr<QTcpSocket>> clients;
  for (const char* said : {"f\n", "F 1000", ""}) {
    clients.push_back(std::make_unique<QTcpSocket>());
    clients.back()->connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(clients.back()->waitForConnected(5000));
    clients.back()->write(said);
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return server->clients() == 3; }));
  QTest::qWait(100);
  const int changes_before = changes;
  server.reset();
  EXPECT_EQ(changes, changes_before);  // nobody is told of clients once the server is going
  for (auto& client : clients) {
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return client->state() == QAbstractSocket::UnconnectedState; }));
  }
  EXPECT_EQ(tuner.divider_, 11690);
}

TEST_F(RigctlServerTest, ATakenPortIsReported) {
  FakeTuner other_tuner;
  remote::RigctlServer second{other_tuner};
  EXPECT_NE(second.listen(QHostAddress::LocalHost, port), "");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
