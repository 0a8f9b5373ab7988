// What the window shows of the desktop: tool bar and dialog pictures from the
// installed icon theme, the program's own SVG pictures, and Qt's own texts in
// Traditional Chinese.

#include "ui/commands.h"
#include "ui/icons.h"
#include "ui/qt_translations.h"
#include "widget_test.h"

#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace lisotrex::ui;

namespace {

class DesktopLook : public lisotrex::test::WidgetTest {};

// Pixels that are not fully transparent.
int paintedPixels(const QIcon& icon, QSize size) {
    QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
    int painted = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) painted += qAlpha(image.pixel(x, y)) != 0;
    return painted;
}

} // namespace

TEST_F(DesktopLook, ToolBarAndMessagePicturesComeFromTheIconTheme) {
    useIconTheme();
    ASSERT_EQ(QIcon::themeName(), QString::fromLatin1(kIconTheme)) << "no desktop theme under offscreen";
    for (int id : {kCmdFileNew, kCmdFileOpen, kCmdFileSave, kCmdImport, kCmdExport, kCmdUndo, kCmdAdd, kCmdModify,
                   kCmdDelete, kCmdCut, kCmdCopy, kCmdPaste}) {
        const QString name = commandIconName(id);
        ASSERT_FALSE(name.isEmpty()) << id;
        EXPECT_TRUE(QIcon::hasThemeIcon(name)) << name.toStdString() << ": install breeze-icon-theme (scripts/setup.sh)";
        QIcon icon = commandIcon(id);
        EXPECT_EQ(icon.name(), name);
        EXPECT_GT(paintedPixels(icon, QSize(16, 16)), 20) << name.toStdString() << ": the SVG plug-in (libqt6svg6) draws it";
    }
    // Message boxes take their stop, exclamation, question and information pictures from the same theme.
    const std::pair<QStyle::StandardPixmap, const char*> boxes[] = {
        {QStyle::SP_MessageBoxCritical, "dialog-error"},
        {QStyle::SP_MessageBoxWarning, "dialog-warning"},
        {QStyle::SP_MessageBoxQuestion, "dialog-question"},
        {QStyle::SP_MessageBoxInformation, "dialog-information"}};
    for (const auto& [pixmap, name] : boxes) {
        EXPECT_TRUE(QIcon::hasThemeIcon(QString::fromLatin1(name))) << name;
        EXPECT_EQ(QApplication::style()->standardIcon(pixmap).name(), QString::fromLatin1(name));
    }
}

TEST_F(DesktopLook, TheProgramsOwnPicturesAreDrawnFromItsSvgResources) {
    const QIcon fax = entryTypeIcon(0), mail = entryTypeIcon(1), mark = updateMarkIcon(true), program = applicationIcon();
    for (const QIcon* icon : {&fax, &mail, &mark, &program})
        EXPECT_GT(paintedPixels(*icon, QSize(16, 16)), 30);
    EXPECT_NE(fax.pixmap(16, 16).toImage(), mail.pixmap(16, 16).toImage());
    // The filter buttons show the entry type pictures; an unmarked entry shows nothing but keeps the room.
    EXPECT_EQ(commandIcon(kCmdFilterFax).pixmap(16, 15).toImage(), fax.pixmap(16, 15).toImage());
    EXPECT_EQ(commandIcon(kCmdFilterEmail).pixmap(16, 15).toImage(), mail.pixmap(16, 15).toImage());
    EXPECT_EQ(paintedPixels(updateMarkIcon(false), QSize(16, 16)), 0);
    EXPECT_EQ(updateMarkIcon(false).pixmap(16, 16).size(), QSize(16, 16));
    // The application picture scales: the about box and the splash draw it larger.
    EXPECT_GT(paintedPixels(program, QSize(64, 64)), 1000);
    EXPECT_TRUE(commandIcon(kCmdSelectAll).isNull());
}

TEST_F(DesktopLook, QtsOwnTextsAreTraditionalChineseWhateverTheLocale) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(installQtTranslations(app())) << "install qt6-translations-l10n (scripts/setup.sh)";

    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
    const QString yes = box.button(QMessageBox::Yes)->text(), no = box.button(QMessageBox::No)->text();
    EXPECT_TRUE(yes.contains(QStringLiteral("是"))) << yes.toStdString();
    EXPECT_TRUE(no.contains(QStringLiteral("否"))) << no.toStdString();
    QMessageBox ok(QMessageBox::Information, QStringLiteral("t"), QStringLiteral("!"), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_TRUE(ok.button(QMessageBox::Ok)->text().contains(QStringLiteral("確定"))) << ok.button(QMessageBox::Ok)->text().toStdString();
    EXPECT_TRUE(ok.button(QMessageBox::Cancel)->text().contains(QStringLiteral("取消")));

    // An edit field's context menu.
    QLineEdit edit;
    edit.setText(QStringLiteral("abc"));
    edit.selectAll();
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (QAction* a : menu->actions()) texts << a->text();
    EXPECT_TRUE(texts.join(QLatin1Char('|')).contains(QStringLiteral("複製"))) << texts.join(QLatin1Char('|')).toStdString();

    for (QTranslator* t : app().findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    QLocale::setDefault(QLocale::system());
}
