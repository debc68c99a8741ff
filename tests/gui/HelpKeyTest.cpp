// F1 and the About box: who owns the help, where F1 does nothing, and About
// from every window state.
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "app/CMainFrame.h"
#include "ui/CommandIds.h"
#include "docview/DocTemplate.h"
#include "docview/CommandRouter.h"
#include "editor/CQ4TForm.h"
#include "support/ProgramFixture.h"

using q4t::test::ProgramFixture;

class HelpKeyTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void f1OpensHelpOwnedByTheFocusedWindowExceptInMenusAndDialogs() {
    ProgramFixture program;
    QVERIFY(program.start());
    q4t::CMainFrame& frame = program.app().mainFrame();
    QList<QWidget*> owners;
    frame.setHelpHandler([&owners](QWidget* owner) {
      owners.append(owner);
      return true;
    });
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));

    QWidget* key = program.form()->layout().button(5);
    key->setFocus();
    QTest::keyClick(key, Qt::Key_F1);
    QCOMPARE(owners, QList<QWidget*>{key});

    QMenu* fileMenu = frame.menuBar()->actions().first()->menu();
    fileMenu->popup(frame.mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(fileMenu->isVisible());
    QTest::keyClick(fileMenu, Qt::Key_F1);
    fileMenu->close();
    QCOMPARE(owners.size(), 1);

    QDialog dialog(&frame);
    auto* field = new QWidget(&dialog);
    field->setFocusPolicy(Qt::StrongFocus);
    q4t::test::whenModal([&](QWidget*) {
      field->setFocus();
      QTest::keyClick(field, Qt::Key_F1);
      QTest::keyClick(field, Qt::Key_F1, Qt::ControlModifier);
      dialog.reject();
    });
    dialog.exec();
    QCOMPARE(owners, (QList<QWidget*>{key, field}));
  }

  void aboutOpensInEveryWindowState() {
    ProgramFixture program;
    QVERIFY(program.start());
    docview::CommandRouter& router = program.app().router();
    const auto aboutOpens = [&router] {
      QString caption;
      q4t::test::whenModal([&caption](QWidget* dialog) {
        caption = dialog->windowTitle();
        qobject_cast<QDialog*>(dialog)->reject();
      });
      return router.run(q4t::cmd::kAbout) && caption == QStringLiteral("About Dev izured for Q4T");
    };
    QVERIFY(aboutOpens());
    QVERIFY(program.app().tcoTemplate().openDocument({}));
    QVERIFY(aboutOpens());
    QVERIFY(router.run(q4t::cmd::kFileClose));
    QVERIFY(router.run(q4t::cmd::kFileClose));
    QVERIFY(aboutOpens());
  }
};

QTEST_MAIN(HelpKeyTest)
#include "HelpKeyTest.moc"
