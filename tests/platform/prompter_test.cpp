// The real message boxes show names from records and files exactly as they are spelt.
#include "platform/qtservices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

TEST(QtPrompter, MessageTextsArePlainAndTheButtonPressedIsReturned) {
    platform::QtPrompter prompter;
    Qt::TextFormat format = Qt::AutoText;
    QString shown;
    QStringList captions;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                format = box->textFormat();
                shown = box->text();
                QAbstractButton* no = nullptr;
                for (QAbstractButton* b : box->buttons()) {
                    captions << b->text().remove('&');
                    if (b->text() == "&No")
                        no = b;
                }
                if (no)
                    no->click();
            }
    });
    const QString text = "El archivo <b>x</b>.dat No existe";
    EXPECT_EQ(prompter.messageDialog(text, platform::Prompter::Icon::Error,
                                     platform::Prompter::Yes | platform::Prompter::No |
                                         platform::Prompter::OK | platform::Prompter::Cancel),
              platform::Prompter::No);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shown, text);
    captions.sort();
    EXPECT_EQ(captions, QStringList({"Aceptar", "Cancelar", "No", "Sí"}));
}

TEST(QtPrompter, AShortErrorBoxIsWideEnoughForItsTitle) {
    platform::QtPrompter prompter;
    int width = 0;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                width = box->width();
                box->buttons().value(0)->click();
            }
    });
    const QString title = "Tevo Riviva 2 - un título bastante largo para la caja";
    prompter.messageBox("File not found", title, platform::Prompter::Icon::Error,
                        platform::Prompter::OK);
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    EXPECT_GT(width, metrics.horizontalAdvance(title) + 100);
}
