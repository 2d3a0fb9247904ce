// Message popup and password prompt: layout per message, keys, auto-close,
// re-centring of the corner-correction popups and the language font rule.
#include "params/appstate.h"
#include "ui/dialogs/inputdialog.h"
#include "ui/dialogs/popups.h"
#include "ui/dialogs/tipsdialog.h"
#include "ui/pagestate.h"
#include "ui/window/startup.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <QTranslator>
#include <QtTest>
#include <functional>

namespace {

// Runs `action` on the modal dialog of type T as soon as it is shown.
template <typename T> void onModal(std::function<void(T *)> action)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        T *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(dialog);
    });
    timer->start();
}

struct PopupLayout
{
    bool iconShown = false;
    QString iconStyle;
    bool okShown = false;
    bool cancelShown = false;
};

// Shows the popup, records what it shows and closes it with the title-bar button.
PopupLayout layoutOf(const QString &message)
{
    PopupLayout layout;
    onModal<TipsDialog>([&layout](TipsDialog *dialog) {
        auto *icon = dialog->findChild<QLabel *>(QStringLiteral("label_iconType"));
        layout.iconShown = icon->isVisible();
        layout.iconStyle = icon->styleSheet();
        layout.okShown = dialog->findChild<QPushButton *>(QStringLiteral("pushButton_ok"))->isVisible();
        layout.cancelShown
            = dialog->findChild<QPushButton *>(QStringLiteral("pushButton_cancel"))->isVisible();
        dialog->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
    });
    const int result = showTipsDialog(QStringLiteral("Tips"), message, 1);
    if (result != 0)
        qWarning("title-bar close returned %d", result);
    return layout;
}

const QString successIcon = QStringLiteral("border-image: url(:/images/icon/pic13.png);");
const QString failureIcon = QStringLiteral("border-image: url(:/images/icon/pic12.png);");

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void popupLayoutFollowsMessage_data();
    void popupLayoutFollowsMessage();
    void popupLayoutAfterChineseTranslation();
    void progressNoteClosesItselfAfterOneSecond();
    void questionClosedByTimerReportsZero();
    void buttonsAndKeysDecideTheResult_data();
    void buttonsAndKeysDecideTheResult();
    void passwordPrompt();
    void onlyAngleCorrectPopupRecentres();
    void recentringWithoutMainWindowIsHarmless();
    void dialogFontFollowsLanguage();
    void formsMatchTheirLayout();
    void longMessagesAreNotClipped();
    void catalogueHoldsTheFixedTranslations();
    void everyNamedImageIsEmbedded();

private:
    QTranslator *chinese = nullptr;
};

void TestDialogs::initTestCase()
{
    initQ4Resources();
    QVERIFY(QFile::exists(QStringLiteral(":/images/icon/pic13.png")));
    QVERIFY(QFile::exists(QStringLiteral(":/images/icon/pic12.png")));
    QVERIFY(QFile::exists(QStringLiteral(":/images/KTIcon1.png")));
    QVERIFY(QFile::exists(QStringLiteral(":/images/CLOSE1.ico")));
}

void TestDialogs::cleanup()
{
    if (chinese) {
        QCoreApplication::removeTranslator(chinese);
        delete chinese;
        chinese = nullptr;
    }
    programContext.language = 0;
}

void TestDialogs::popupLayoutFollowsMessage_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("icon"); // empty: no icon
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("cancel");

    for (const char *text : {"Reset Successful!", "Import Successful!", "Export Successful!", "Sample Done!"})
        QTest::newRow(text) << QString::fromLatin1(text) << successIcon << true << false;
    for (const char *text : {"Reset Failed!", "Password Failed!", "Operation Failed,Please try again!",
             "Import Failed!", "Export Failed!", "Angle Correct Error!", "Sample not stable!"})
        QTest::newRow(text) << QString::fromLatin1(text) << failureIcon << true << false;
    for (const char *text : {"Start Importing!", "Start Exporting!"})
        QTest::newRow(text) << QString::fromLatin1(text) << QString() << false << false;
    // Questions and anything not in the table, near misses included.
    for (const char *text : {"Confirm? Reset may result in communication loss!", "Reset Successful",
             "reset successful!", " Import Failed!", ""})
        QTest::newRow(text[0] ? text : "empty") << QString::fromLatin1(text) << QString() << true << true;
}

void TestDialogs::popupLayoutFollowsMessage()
{
    QFETCH(QString, message);
    QFETCH(QString, icon);
    QFETCH(bool, ok);
    QFETCH(bool, cancel);

    const PopupLayout layout = layoutOf(message);
    QCOMPARE(layout.iconShown, !icon.isEmpty());
    if (!icon.isEmpty())
        QCOMPARE(layout.iconStyle, icon);
    QCOMPARE(layout.okShown, ok);
    QCOMPARE(layout.cancelShown, cancel);
}

void TestDialogs::popupLayoutAfterChineseTranslation()
{
    chinese = new QTranslator;
    QVERIFY(chinese->load(QStringLiteral(":/Translate/Language_CN.qm")));
    QCoreApplication::installTranslator(chinese);
    programContext.language = 1;

    // Callers pass the translated text: it matches the table.
    const QString resetDone = QCoreApplication::translate("QObject", "Reset Successful!");
    QCOMPARE(resetDone, QString::fromUtf8("复位成功！"));
    PopupLayout layout = layoutOf(resetDone);
    QVERIFY(layout.iconShown);
    QCOMPARE(layout.iconStyle, successIcon);
    QVERIFY(layout.okShown && !layout.cancelShown);

    layout = layoutOf(QString::fromUtf8("密码错误！"));
    QCOMPARE(layout.iconStyle, failureIcon);
    QVERIFY(layout.okShown && !layout.cancelShown);

    layout = layoutOf(QString::fromUtf8("开始导出！"));
    QVERIFY(!layout.iconShown && !layout.okShown && !layout.cancelShown);

    // The untranslated English text no longer matches: it falls through to a question.
    layout = layoutOf(QStringLiteral("Reset Successful!"));
    QVERIFY(!layout.iconShown);
    QVERIFY(layout.okShown && layout.cancelShown);

    // The buttons of the form are translated too.
    onModal<TipsDialog>([](TipsDialog *dialog) {
        QCOMPARE(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_ok"))->text(),
            QString::fromUtf8("确认"));
        QCOMPARE(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_cancel"))->text(),
            QString::fromUtf8("取消"));
        dialog->close();
    });
    QCOMPARE(showTipsDialog(QStringLiteral("Tips"), QStringLiteral("?"), 1), 0);
}

void TestDialogs::progressNoteClosesItselfAfterOneSecond()
{
    PopupLayout layout;
    onModal<TipsDialog>([&layout](TipsDialog *dialog) {
        layout.iconShown = dialog->findChild<QLabel *>(QStringLiteral("label_iconType"))->isVisible();
        layout.okShown = dialog->findChild<QPushButton *>(QStringLiteral("pushButton_ok"))->isVisible();
        layout.cancelShown
            = dialog->findChild<QPushButton *>(QStringLiteral("pushButton_cancel"))->isVisible();
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(showTipsDialog(QStringLiteral("Tips"), QStringLiteral("Start Exporting!"), 0), 0);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 950 && elapsed < 3000, qPrintable(QString::number(elapsed)));
    QVERIFY(!layout.iconShown && !layout.okShown && !layout.cancelShown);
}

void TestDialogs::questionClosedByTimerReportsZero()
{
    // Even a question reports 0 when the one-second timer closes it; a popup that
    // stays open is not closed by any timer.
    QCOMPARE(showTipsDialog(QStringLiteral("Tips"), QStringLiteral("Continue?"), 0), 0);

    bool stillOpen = false;
    onModal<TipsDialog>([&stillOpen](TipsDialog *dialog) {
        QTimer::singleShot(1500, dialog, [dialog, &stillOpen] {
            stillOpen = dialog->isVisible();
            dialog->findChild<QPushButton *>(QStringLiteral("pushButton_ok"))->click();
        });
    });
    QCOMPARE(showTipsDialog(QStringLiteral("Tips"), QStringLiteral("Continue?"), 1), 1);
    QVERIFY(stillOpen);
}

void TestDialogs::buttonsAndKeysDecideTheResult_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("expected");
    const QString question = QStringLiteral("Confirm? Reset may result in communication loss!");
    QTest::newRow("confirm") << "confirm" << question << 1;
    QTest::newRow("cancel") << "cancel" << question << 0;
    QTest::newRow("title-bar close") << "close" << question << 0;
    QTest::newRow("escape") << "escape" << question << 0;
    // Return on a button presses that button; Return anywhere else confirms.
    QTest::newRow("return on cancel button") << "return-cancel" << question << 0;
    QTest::newRow("enter on message label") << "enter-label" << question << 1;
    QTest::newRow("return on notice") << "return-cancel" << QStringLiteral("Reset Failed!") << 1;
    QTest::newRow("other key") << "key-a-then-cancel" << question << 0;
}

void TestDialogs::buttonsAndKeysDecideTheResult()
{
    QFETCH(QString, action);
    QFETCH(QString, message);
    QFETCH(int, expected);

    onModal<TipsDialog>([action](TipsDialog *dialog) {
        auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("pushButton_ok"));
        auto *cancel = dialog->findChild<QPushButton *>(QStringLiteral("pushButton_cancel"));
        auto *label = dialog->findChild<QLabel *>(QStringLiteral("label_tipsMesg"));
        if (action == QLatin1String("confirm"))
            ok->click();
        else if (action == QLatin1String("cancel"))
            cancel->click();
        else if (action == QLatin1String("close"))
            dialog->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        else if (action == QLatin1String("escape"))
            QTest::keyClick(ok, Qt::Key_Escape);
        else if (action == QLatin1String("return-cancel"))
            QTest::keyClick(cancel, Qt::Key_Return);
        else if (action == QLatin1String("enter-label"))
            QTest::keyClick(label, Qt::Key_Enter);
        else if (action == QLatin1String("key-a-then-cancel")) {
            QTest::keyClick(label, Qt::Key_A);
            QVERIFY(dialog->isVisible());
            cancel->click();
        }
    });
    QCOMPARE(showTipsDialog(QStringLiteral("Tips"), message, 1), expected);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestDialogs::passwordPrompt()
{
    auto run = [](std::function<void(InputDialog *, QLineEdit *)> action) {
        onModal<InputDialog>([action](InputDialog *dialog) {
            action(dialog, dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit_textStr")));
        });
        return inputPassword();
    };
    auto button = [](InputDialog *dialog, const char *name) {
        return dialog->findChild<QPushButton *>(QString::fromLatin1(name));
    };

    QString title;
    QString text = run([&](InputDialog *dialog, QLineEdit *edit) {
        title = dialog->findChild<QLabel *>(QStringLiteral("label_title"))->text();
        QCOMPARE(edit->echoMode(), QLineEdit::Normal);
        QTest::keyClicks(edit, QStringLiteral("1234"));
        button(dialog, "pushButton_ok")->click();
    });
    QCOMPARE(title, QStringLiteral("Password"));
    QCOMPARE(text, QStringLiteral("1234"));

    // Return in the entry confirms with what is typed so far.
    text = run([](InputDialog *, QLineEdit *edit) {
        QTest::keyClicks(edit, QStringLiteral("12"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    QCOMPARE(text, QStringLiteral("12"));

    // Cancel, the title-bar button and Escape give a null string, typed text or not.
    for (const char *name : {"pushButton_cancel", "pushButton"}) {
        text = run([name, button](InputDialog *dialog, QLineEdit *edit) {
            QTest::keyClicks(edit, QStringLiteral("999"));
            button(dialog, name)->click();
        });
        QVERIFY2(text.isNull(), name);
    }
    text = run([](InputDialog *, QLineEdit *edit) {
        QTest::keyClicks(edit, QStringLiteral("999"));
        QTest::keyClick(edit, Qt::Key_Escape);
    });
    QVERIFY(text.isNull());

    // An empty entry confirmed is the same as Cancel.
    text = run([button](InputDialog *dialog, QLineEdit *) { button(dialog, "pushButton_ok")->click(); });
    QVERIFY(text.isNull());

    // The entry has the focus when the prompt opens.
    bool focused = false;
    text = run([&focused](InputDialog *dialog, QLineEdit *edit) {
        focused = dialog->focusWidget() == edit;
        dialog->close();
    });
    QVERIFY(focused);
}

void TestDialogs::onlyAngleCorrectPopupRecentres()
{
    QWidget mainWindow;
    mainWindow.setGeometry(30, 50, 700, 500);
    QWidget *page = new QWidget(&mainWindow); // the page that opens the popup
    const QRect main = mainWindow.geometry();

    // The popup of a page, or (page null) of no window.
    auto finalGeometry = [](const QString &title, QWidget *page) {
        QRect seen;
        onModal<TipsDialog>([&seen](TipsDialog *dialog) {
            // Let a few paints happen, then read where the popup ended up.
            QTimer::singleShot(200, dialog, [dialog, &seen] {
                dialog->update();
                QTimer::singleShot(100, dialog, [dialog, &seen] {
                    seen = dialog->geometry();
                    dialog->close();
                });
            });
        });
        showTipsDialog(title, QStringLiteral("Sample Done!"), 1, page);
        return seen;
    };

    const QRect moved = finalGeometry(QStringLiteral("Angle Correct"), page);
    QVERIFY(moved.isValid());
    QCOMPARE(moved.left(), main.left() + ((main.right() - main.left()) - (moved.right() - moved.left())) / 2);
    QCOMPARE(moved.top(), main.top() + ((main.bottom() - main.top()) - (moved.bottom() - moved.top())) / 2);

    for (const QString &title : {QStringLiteral("Angle Correct "), QStringLiteral("Calibration")}) {
        const QRect stayed = finalGeometry(title, nullptr);
        QVERIFY(stayed.isValid());
        QVERIFY2(stayed.topLeft() != moved.topLeft(), qPrintable(title));
    }

    // In Chinese the popup's title is the translated text.
    chinese = new QTranslator;
    QVERIFY(chinese->load(QStringLiteral(":/Translate/Language_CN.qm")));
    QCoreApplication::installTranslator(chinese);
    const QRect movedChinese = finalGeometry(QString::fromUtf8("角差修正"), page);
    QVERIFY(movedChinese.isValid());
    QCOMPARE(movedChinese.left(),
        main.left() + ((main.right() - main.left()) - (movedChinese.right() - movedChinese.left())) / 2);
    QCOMPARE(movedChinese.top(),
        main.top() + ((main.bottom() - main.top()) - (movedChinese.bottom() - movedChinese.top())) / 2);
}

void TestDialogs::recentringWithoutMainWindowIsHarmless()
{
    QRect seen;
    onModal<TipsDialog>([&seen](TipsDialog *dialog) {
        QTimer::singleShot(100, dialog, [dialog, &seen] {
            seen = dialog->geometry();
            dialog->close();
        });
    });
    QCOMPARE(showTipsDialog(QStringLiteral("Angle Correct"), QStringLiteral("Sample Done!"), 1), 0);
    QVERIFY(seen.isValid());
}

void TestDialogs::dialogFontFollowsLanguage()
{
    QWidget window;
    QFont own = window.font();
    auto *label = new QLabel(QStringLiteral("x"), &window);
    auto *inner = new QWidget(&window);
    auto *deep = new QPushButton(inner);

    programContext.language = 0;
    applyDialogFont(&window);
    QCOMPARE(window.font(), own);
    for (QWidget *child : {static_cast<QWidget *>(label), inner, static_cast<QWidget *>(deep)})
        QCOMPARE(child->font().pointSize(), 25);
    QVERIFY(QRawFont::fromFont(deep->font()).supportsCharacter(QLatin1Char('W')));

    programContext.language = 1;
    applyDialogFont(&window);
    QCOMPARE(deep->font().pointSize(), 25);
    // Chinese text must render: the chosen family has the glyphs.
    const QRawFont raw = QRawFont::fromFont(deep->font());
    QVERIFY2(raw.supportsCharacter(QChar(0x786E)) && raw.supportsCharacter(QChar(0x8BA4)),
        qPrintable(deep->font().family()));

    applyDialogFont(nullptr); // tolerated
}

void TestDialogs::formsMatchTheirLayout()
{
    TipsDialog tips;
    QCOMPARE(tips.size(), QSize(375, 177));
    QVERIFY(tips.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(tips.findChild<QLabel *>(QStringLiteral("label_tipsMesg"))->text(), QStringLiteral("Message"));
    QCOMPARE(tips.findChild<QLabel *>(QStringLiteral("label_title"))->text(), QStringLiteral("title"));
    QCOMPARE(tips.findChild<QWidget *>(QStringLiteral("widget"))->height(), 40);
    QVERIFY(!tips.isConfirmed());
    tips.setButtonMode(1);
    tips.show();
    QVERIFY(tips.findChild<QPushButton *>(QStringLiteral("pushButton_cancel"))->isVisible());
    QVERIFY(!tips.findChild<QPushButton *>(QStringLiteral("pushButton_ok"))->isVisible());

    InputDialog input;
    QCOMPARE(input.size(), QSize(374, 177));
    QVERIFY(input.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(
        input.findChild<QLabel *>(QStringLiteral("label_tipText"))->text(), QStringLiteral("Please Input:"));
    QVERIFY(!input.isAccepted());
    QVERIFY(input.text().isNull());
}

void TestDialogs::longMessagesAreNotClipped()
{
    auto fits = [](const QString &message, QSize *size) {
        bool whole = false;
        onModal<TipsDialog>([&whole, size](TipsDialog *dialog) {
            auto *label = dialog->findChild<QLabel *>(QStringLiteral("label_tipsMesg"));
            const int needed = label->heightForWidth(label->width());
            whole = needed <= label->height()
                && label->fontMetrics().horizontalAdvance(QLatin1Char('W')) <= label->width();
            *size = dialog->size();
            dialog->close();
        });
        showTipsDialog(QStringLiteral("Tips"), message, 1);
        return whole;
    };
    QSize size;
    QVERIFY(fits(QStringLiteral("Sample Done!"), &size));
    QCOMPARE(size, QSize(375, 177)); // a short message keeps the form's size
    QVERIFY(fits(QStringLiteral("Operation Failed,Please try again!"), &size));
    QVERIFY(fits(QStringLiteral("Confirm? Reset may result in communication loss!"), &size));
    QVERIFY(size.width() <= 700);
    QVERIFY(fits(QStringLiteral("Press the fourth, and then click confirm! ").repeated(4), &size));
}

void TestDialogs::catalogueHoldsTheFixedTranslations()
{
    // Texts that code compares or shows as messages must translate exactly so.
    struct Entry
    {
        const char *context, *source, *chinese;
    };
    const Entry entries[] = {
        {"QObject", "Reset Successful!", "复位成功！"},
        {"QObject", "Import Successful!", "导入成功！"},
        {"QObject", "Export Successful!", "导出成功！"},
        {"QObject", "Sample Done!", "采样完成！"},
        {"QObject", "Reset Failed!", "复位失败！"},
        {"QObject", "Password Failed!", "密码错误！"},
        {"QObject", "Operation Failed,Please try again!", "操作失败，请重试！"},
        {"QObject", "Import Failed!", "导入失败！"},
        {"QObject", "Export Failed!", "导出失败！"},
        {"QObject", "Angle Correct Error!", "角差系数错误！"},
        {"QObject", "Start Importing!", "开始导入！"},
        {"QObject", "Start Exporting!", "开始导出！"},
        {"QObject", "Sample not stable!", "采样不稳定！"},
        {"QObject", "Password", "密码"},
        {"MainWindow", "Communication-Normal", "通讯正常"},
        {"MainWindow", "Communication-Error", "通讯错误"},
        {"MainWindow", "Port: ", "端口号："},
        {"TipsDialog", "Angle Correct", "角差修正"},
        {"TipsDialog", "Confirm", "确认"},
        {"TipsDialog", "Cancel", "取消"},
        {"InputDialog", "Confirm", "确认"},
        {"InputDialog", "Cancel", "取消"},
        {"InputDialog", "Please Input:", "请输入："},
    };
    QTranslator chineseCatalogue;
    QVERIFY(chineseCatalogue.load(QStringLiteral(":/Translate/Language_CN.qm")));
    for (const Entry &entry : entries)
        QCOMPARE(chineseCatalogue.translate(entry.context, entry.source), QString::fromUtf8(entry.chinese));

    // The English catalogue exists and translates nothing.
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/Translate/Language_EN.qm")));
    for (const Entry &entry : entries)
        QVERIFY(english.translate(entry.context, entry.source).isEmpty());
}

void TestDialogs::everyNamedImageIsEmbedded()
{
    // Every image path written in the sources, forms and style sheet must be a
    // readable image in the resources (a missing one fails silently at run time).
    const QRegularExpression imagePath(QStringLiteral(":/images/[^)\"' ;<]+"));
    QSet<QString> paths;
    for (const char *folder : {"app", "params", "link", "workbook", "cli", "ui", "forms", "resources/qss"}) {
        QDirIterator files(QStringLiteral(Q4_SOURCE_DIR "/") + QLatin1String(folder), QDir::Files,
            QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QRegularExpressionMatchIterator matches
                = imagePath.globalMatch(QString::fromUtf8(file.readAll()));
            while (matches.hasNext())
                paths.insert(matches.next().captured());
        }
    }
    QVERIFY(paths.size() >= 17);
    QVERIFY(paths.contains(QStringLiteral(":/images/icon/pic10..png")));
    for (const QString &path : qAsConst(paths)) {
        QImageReader reader(path);
        QVERIFY2(reader.canRead(), qPrintable(path));
        QVERIFY2(!reader.read().isNull(), qPrintable(path));
    }
    QVERIFY(!QIcon(QStringLiteral(":/images/KTIcon.ico")).availableSizes().isEmpty());
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
