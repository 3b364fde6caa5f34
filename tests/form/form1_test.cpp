#include "form/form1.hpp"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "support/golden.hpp"
#include "support/window_on_chip.hpp"

namespace {

using Form1OnTheWindow = support::WindowOnChipTest;

TEST_F(Form1OnTheWindow, StartUpSendsWordAOnceWithoutPausesThenRestsTheLines) {
  start();
  support::expect_golden(support::wire(), "start_up.txt");
}

TEST_F(Form1OnTheWindow, EveryListItemAndToggleComposeTheirWordBWhichSendWordBSends) {
  start();
  for (const auto& row : support::golden("word_b.txt")) {
    const auto columns = support::fields(row);  // control | choice | Word B
    const QString choice = QString::fromStdString(columns[1]);
    const long sent = transmissions();
    if (auto* list = window.findChild<QListWidget*>(QString::fromStdString(columns[0]))) {
      if (choice == "-") {
        list->clearSelection();
      } else {
        const auto items = list->findItems(choice, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << row;
        list->setCurrentItem(items.front());
      }
    } else {
      click(columns[0]);
      EXPECT_EQ(control<QLabel>("lbl" + columns[0].substr(3))->text(), choice) << row;
    }
    auto* word_b = control<QLineEdit>("txtB");
    EXPECT_EQ(word_b->text().toStdString(), columns[2]) << row;
    EXPECT_EQ(transmissions(), sent) << row;

    word_b->setText("typed over");  // never read: the word is composed afresh
    click("cmdSend");
    EXPECT_EQ(transmissions(), sent + 1) << row;
    EXPECT_EQ(chip.word_b(), columns[2]) << row;
    EXPECT_EQ(word_b->text().toStdString(), columns[2]) << row;
  }
}

}  // namespace
