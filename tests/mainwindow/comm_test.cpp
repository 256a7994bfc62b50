// E-mail by each method, the link fields and their tooltips, the help commands and the about
// window, as the main window hands them to the desktop.
#include "comm/acercade.h"
#include "support/mainwindow_fixture.h"

#include <QAction>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <QUrlQuery>

using namespace testsupport;
using platform::Prompter;

namespace {

const QString kBody = "¡ Escribe aquí el contenido del e-mail !";

class CommTest : public MainWindowTest {
  protected:
    TForm1& startWith(const std::string& method) {
        ordinaryStart(personsNamed({"ANA"}), companiesNamed({"SUR"}));
        useMethod(method);
        return start();
    }
    void useMethod(const std::string& method) {
        writeIni("[config]\r\ntipocorreo=" + method +
                 "\r\nurlcorreo=https://correo.example/entrada\r\n");
    }
    QStringList opened() const {
        QStringList out;
        for (const QUrl& url : fakes.shell.opened)
            out << QString::fromLatin1(url.toEncoded());
        return out;
    }
    void click(QLineEdit* field, const QString& text) {
        field->setText(text);
        QTest::mouseClick(field, Qt::LeftButton);
    }
    static void moveOver(QLineEdit* field) {
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), field->mapToGlobal(QPointF(5, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(field, &move);
    }
};

} // namespace

TEST_F(CommTest, EachMailMethodActsAndOthersDoNothing) {
    TForm1& w = startWith("api");
    w.menviarcorreo->trigger();
    w.sendmail("ana+ventas@x.com");
    ASSERT_EQ(fakes.shell.opened.size(), 2u);
    // What the mail program decodes is exactly the address, an empty subject and the body.
    for (int i = 0; i < 2; ++i) {
        const QUrl& url = fakes.shell.opened[i];
        QUrlQuery query(url);
        EXPECT_EQ(url.scheme(), "mailto");
        EXPECT_EQ(url.path(QUrl::FullyDecoded), i == 0 ? "" : "ana+ventas@x.com");
        EXPECT_TRUE(query.hasQueryItem("subject"));
        EXPECT_EQ(query.queryItemValue("subject"), "");
        EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), kBody);
    }
    fakes.shell.accept = false;
    w.sendmail("ana@x.com");
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].form, Message::Form::Plain);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "Error. Método fallado,  no se pudo abrir programa cliente. (Cod. 400)");
    fakes.shell.accept = true;
    fakes.shell.opened.clear();

    useMethod("tevo");
    w.FormShow();
    w.sendmail("a&desde=1@x.com");
    ASSERT_EQ(fakes.shell.opened.size(), 1u);
    EXPECT_EQ(opened()[0],
              "http://tevosoft.example/form/mail.php?para=a%26desde%3D1%40x.com&desde=200");
    EXPECT_EQ(QUrlQuery(fakes.shell.opened[0]).queryItemValue("para", QUrl::FullyDecoded),
              "a&desde=1@x.com");

    useMethod("web");
    w.FormShow();
    w.sendmail("ana@x.com");
    EXPECT_EQ(opened().last(), "https://correo.example/entrada");

    for (const char* other : {"API", "nada"}) {
        useMethod(other);
        w.FormShow();
        w.sendmail("ana@x.com");
    }
    EXPECT_EQ(fakes.shell.opened.size(), 2u);

    useMethod("no");
    w.FormShow();
    w.menviarcorreo->trigger();
    EXPECT_EQ(fakes.shell.opened.size(), 2u);
    EXPECT_EQ(w.statusBar()->currentMessage(),
              "Tiene desactivada la opción para \"Enviar correo electrónico\".");
    EXPECT_EQ(fakes.prompter.messages.size(), 1u);
}

TEST_F(CommTest, LinkFieldsMailOrOpenWebAddressesOnlyAndPlainFieldsDoNothing) {
    TForm1& w = startWith("api");
    click(w.Edit7, "www.example.com"); // persons: the address, plain
    click(w.Edit8, "");
    EXPECT_TRUE(fakes.shell.opened.empty());

    click(w.Edit10, "www.example.com");
    click(w.Edit10, "ventas@x.com"); // an address in the web-site field writes a mail
    click(w.Edit9, "https://x.example/file:///bin/sh");
    ASSERT_EQ(fakes.shell.opened.size(), 3u);
    EXPECT_EQ(opened()[0], "http://www.example.com");
    EXPECT_EQ(fakes.shell.opened[1].scheme(), "mailto");
    EXPECT_EQ(fakes.shell.opened[1].path(), "ventas@x.com");
    EXPECT_EQ(opened()[2], "https://x.example/file:///bin/sh");

    click(w.Edit10, "file:///usr/bin/xterm");
    EXPECT_EQ(w.statusBar()->currentMessage(),
              "No se abrió \"file:///usr/bin/xterm\": solo se abren direcciones de internet "
              "(http, https o ftp).");
    click(w.Edit10, "/usr/bin/xterm");
    EXPECT_EQ(w.statusBar()->currentMessage(),
              "No se abrió \"/usr/bin/xterm\": no es una dirección de internet.");
    EXPECT_EQ(fakes.shell.opened.size(), 3u);

    w.SpeedButton6Click();
    click(w.Edit9, "ana@x.com"); // companies: contacts, plain
    click(w.Edit7, "sur.example.com");
    EXPECT_EQ(opened().last(), "http://sur.example.com");

    // No browser at all: said, not silently dropped.
    fakes.shell.accept = false;
    click(w.Edit7, "sur.example.com");
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "No se pudo abrir \"http://sur.example.com\": no hay ningún programa en el "
              "sistema que pueda abrirlo.");
    EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Error);
}

TEST_F(CommTest, MalformedAddressesInLinkFieldsOpenNoPage) {
    TForm1& w = startWith("api");
    click(w.Edit9, "josé +x@x.com");
    EXPECT_EQ(w.statusBar()->currentMessage(),
              "No se abrió \"josé +x@x.com\": no es una dirección de internet.");
    click(w.Edit10, "x@y");
    EXPECT_EQ(w.statusBar()->currentMessage(),
              "No se abrió \"x@y\": no es una dirección de internet.");
    EXPECT_TRUE(fakes.shell.opened.empty());
    EXPECT_TRUE(fakes.prompter.messages.empty());
}

TEST_F(CommTest, WebSiteFieldOpensHostWithPortAndMailsAMailtoAddress) {
    TForm1& w = startWith("api");
    click(w.Edit10, "localhost:8080");
    click(w.Edit10, "mailto:ventas@x.com");
    ASSERT_EQ(fakes.shell.opened.size(), 2u);
    EXPECT_EQ(opened()[0], "http://localhost:8080");
    EXPECT_EQ(fakes.shell.opened[1].scheme(), "mailto");
    EXPECT_EQ(fakes.shell.opened[1].path(), "ventas@x.com");
    EXPECT_EQ(QUrlQuery(fakes.shell.opened[1]).queryItemValue("body", QUrl::FullyDecoded), kBody);

    // By the chosen method, as an address without the scheme.
    useMethod("no");
    w.FormShow();
    click(w.Edit10, "mailto:ventas@x.com");
    EXPECT_EQ(fakes.shell.opened.size(), 2u);
    EXPECT_EQ(w.statusBar()->currentMessage(),
              "Tiene desactivada la opción para \"Enviar correo electrónico\".");
}

TEST_F(CommTest, SearchResultPicturesHintInTheStatusBar) {
    TForm1& w = startWith("api");
    w.show();
    for (QLabel* picture : {w.found, w.nofound}) {
        picture->show();
        QEnterEvent enter(QPointF(2, 2), picture->mapTo(&w, QPointF(2, 2)),
                          picture->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(picture, &enter);
        EXPECT_EQ(w.statusBar()->currentMessage(), picture->toolTip());
        EXPECT_FALSE(picture->toolTip().isEmpty());
    }
}

TEST_F(CommTest, FieldTooltipsShowTheWholeTextAsPlainText) {
    TForm1& w = startWith("api");
    w.Edit8->setText("ana@x.com");
    w.Edit7->setText("ana@x.com");
    w.Edit11->setText("<b>nota</b>  con  blancos");
    for (QLineEdit* f : {w.Edit8, w.Edit7, w.Edit11})
        moveOver(f);
    EXPECT_EQ(w.Edit8->toolTip(), "E-mail: ana@x.com");
    EXPECT_EQ(w.Edit7->toolTip(), "ana@x.com");
    EXPECT_EQ(w.Edit11->toolTip(), "<b>nota</b>  con  blancos");

    w.show();
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), w.Edit11->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w.Edit11, &help);
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    EXPECT_EQ(shown.toPlainText(), "<b>nota</b>  con  blancos");
    QToolTip::hideText();
}

TEST_F(CommTest, HelpCommandsOpenTheirPages) {
    TForm1& w = startWith("api");
    std::filesystem::create_directory(dir / "help");
    writeBytes(dir / "help" / "index.htm", "<html></html>");
    for (QAction* a : {w.Abrirexploradordeinternet1, w.Hacerunadonacin1, w.EnviarSugerencias1,
                       w.Suscribirse1, w.SearchforHelpOn1, w.mnuevaversion, w.Contents1})
        a->trigger();
    QStringList urls = opened();
    ASSERT_EQ(urls.size(), 7);
    EXPECT_EQ(urls.mid(0, 6), QStringList({"http://tevosoft.example/run/empty.htm",
                                           "http://tevosoft.example/paypal/donation.htm",
                                           "http://tevosoft.example/form/sugerenc.htm?desde=200",
                                           "http://tevosoft.example/form/suscripc.htm?desde=200",
                                           "http://tevosoft.example/software/zuzovi2/index.htm",
                                           "http://tevosoft.example/software/zuzovi2/index.htm"}));
    EXPECT_EQ(fakes.shell.opened[6].toLocalFile().toStdString(),
              (dir / "help" / "index.htm").string());

    // Nothing to show the page with: the message names the file as the system writes it.
    fakes.shell.accept = false;
    w.Contents1->trigger();
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text.toStdString(),
              "No se pudo abrir \"" + (dir / "help" / "index.htm").string() +
                  "\": no hay ningún programa en el sistema que pueda abrirlo.");
}

TEST_F(CommTest, AboutWindowPagesAndLinks) {
    TForm1& w = startWith("api");
    bool seen = false;
    fakes.modal.drive = [&](QDialog* d) {
        auto* about = qobject_cast<TForm8*>(d);
        ASSERT_NE(about, nullptr);
        seen = true;
        EXPECT_EQ(about->windowTitle(), "Acerca de Tevo Riviva 2.0.2");
        ASSERT_EQ(about->Notebook1->count(), 2);
        EXPECT_EQ(about->Notebook1->tabText(0), "Tevo Soft");
        EXPECT_EQ(about->Notebook1->tabText(1), "Agradecimientos");
        EXPECT_EQ(about->Image1->pixmap().size(), QSize(438, 61));
        EXPECT_EQ(about->Label1->text(), "Tevo Riviva. Versión: 2.0.2");
        EXPECT_EQ(about->Label2->text(), "02-04-2004");
        EXPECT_EQ(about->Label7->text(), "Se les agradece a las siguientes personas por "
                                         "habernos enviado sus sugerencias ");
        EXPECT_EQ(about->Label8->text(),
                  "las cuales nos permitieron mejorar el desarrollo de este útil programa.");
        EXPECT_NE(about->labelos->text(), "-");
        QTest::mouseClick(about->Label3, Qt::LeftButton);
        QTest::mouseClick(about->Label4, Qt::LeftButton);
        about->JLAqua1->click();
        EXPECT_FALSE(about->isVisible());
    };
    w.About1->trigger();
    EXPECT_TRUE(seen);
    ASSERT_EQ(fakes.shell.opened.size(), 2u);
    EXPECT_EQ(opened()[0], "http://tevosoft.example/php/goto.php?url=1&de=200");
    EXPECT_EQ(fakes.shell.opened[1].scheme(), "mailto");
    EXPECT_EQ(fakes.shell.opened[1].path(), "contacto@tevosoft.example");
}
