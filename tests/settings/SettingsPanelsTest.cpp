// The six panels: their rows, their controls and what each control edits,
// and what saving the settings does beyond the defaults.

#include "SettingsTestSupport.h"
#include "ai/AIManager.h"
#include "platform/AutostartEntry.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "settings/SegmentedPicker.h"
#include "store/SettingsManager.h"
#include "support/DatabaseLock.h"
#include "support/DesktopEntryCheck.h"
#include "support/FakeAIService.h"
#include "support/LogCapture.h"
#include "support/OpenedLinks.h"
#include "support/ReadOnlyFolder.h"
#include "support/ScopedEndpoints.h"
#include "ui/ToggleSwitch.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoro/QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

using SettingsPanelsTest = SettingsFixture;

struct RowCase
{
    QString title;
    QString subtitle;
    const QMetaObject *control;
};

// Counts every change signal of the settings store.
class SettingsChanges : public QObject
{
    Q_OBJECT

public:
    explicit SettingsChanges(SettingsManager &settings)
    {
        const QMetaObject *meta = settings.metaObject();
        const QMetaMethod count = metaObject()->method(metaObject()->indexOfSlot("count()"));
        for (int index = meta->propertyOffset(); index < meta->propertyCount(); ++index)
            connect(&settings, meta->property(index).notifySignal(), this, count);
    }

    int changes = 0;

public Q_SLOTS:
    void count() { ++changes; }
};

} // namespace

TEST_F(SettingsPanelsTest, EveryPanelShowsItsRowsInOrder)
{
    const QList<std::pair<SettingsCategory, QList<RowCase>>> panels = {
        { SettingsCategory::general,
            {
                { "Launch at Login", "Start Pexilo when you log in", &ToggleSwitch::staticMetaObject },
                { "Keyboard Shortcut", "Quick screenshot capture", &QWidget::staticMetaObject },
                { "Show Keyboard Shortcuts", "Display shortcuts in menu bar",
                    &ToggleSwitch::staticMetaObject },
            } },
        { SettingsCategory::account,
            { { "Name", "Used to personalize your experience", &QLineEdit::staticMetaObject } } },
        { SettingsCategory::ai,
            {
                { "Preferred AI Model", "Choose your default AI model", &QWidget::staticMetaObject },
                { "OpenAI API Key", "Your personal API key for AI analysis", &QLineEdit::staticMetaObject },
            } },
        { SettingsCategory::screenshots,
            {
                { "Auto-save Screenshots", "Automatically save captured screenshots",
                    &ToggleSwitch::staticMetaObject },
                { "Screenshot Quality", "Balance between file size and quality", &QWidget::staticMetaObject },
            } },
        { SettingsCategory::automation,
            {
                { "Workflow Automation", "Enable smart automation features",
                    &ToggleSwitch::staticMetaObject },
                { "Figma Palette Extraction", "Auto-extract color palettes from Figma screenshots",
                    &ToggleSwitch::staticMetaObject },
                { "Auto CSV Export", "Automatically export tables to CSV", &ToggleSwitch::staticMetaObject },
                { "Screenshot Search", "Enable searching through saved screenshots",
                    &ToggleSwitch::staticMetaObject },
            } },
        { SettingsCategory::about,
            {
                { "Version", "Pexilo for Linux", &QLabel::staticMetaObject },
                { "Support", "Get help and send feedback", &QPushButton::staticMetaObject },
                { "Privacy", "Your data and privacy matter", &QPushButton::staticMetaObject },
            } },
    };

    SettingsView &view = openWindow();
    for (const auto &[category, expected] : panels) {
        SCOPED_TRACE(SettingsCategories::title(category).toStdString());
        select(category);
        const QList<ModernSettingsRow *> rows = view.currentPanel()->rows();
        ASSERT_EQ(rows.size(), expected.size());
        for (qsizetype index = 0; index < rows.size(); ++index) {
            EXPECT_EQ(rows[index]->title(), expected[index].title);
            EXPECT_EQ(rows[index]->subtitle(), expected[index].subtitle);
            EXPECT_TRUE(rows[index]->content()->metaObject()->inherits(expected[index].control))
                << rows[index]->content()->metaObject()->className();
            EXPECT_TRUE(rows[index]->isVisible());
        }
    }
    EXPECT_EQ(control<QLabel>(QStringLiteral("Version"))->text(), QStringLiteral("1.0.0"));
}

TEST_F(SettingsPanelsTest, TheShortcutShowsTheStoredTextAndChangeDoesNothing)
{
    defaults().setString(SettingsKeys::keyboardShortcut.name, QStringLiteral("<b>⌘⇧2</b>"));
    SettingsView &view = openWindow();
    auto *shortcut = control<QLabel>(QStringLiteral("Keyboard Shortcut"));
    ASSERT_NE(shortcut, nullptr);
    EXPECT_EQ(shortcut->text(), QStringLiteral("<b>⌘⇧2</b>"));
    EXPECT_EQ(shortcut->textFormat(), Qt::PlainText);

    SettingsChanges changes(view.settings());
    OpenedLinks links;
    const qsizetype windows = QApplication::topLevelWidgets().size();
    auto *change = control<QPushButton>(QStringLiteral("Keyboard Shortcut"));
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(change->text(), QStringLiteral("Change"));
    QTest::mouseClick(change, Qt::LeftButton);
    QCoreApplication::processEvents();

    EXPECT_EQ(changes.changes, 0);
    EXPECT_TRUE(links.urls.isEmpty());
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);
    EXPECT_EQ(shortcut->text(), QStringLiteral("<b>⌘⇧2</b>"));
}

TEST_F(SettingsPanelsTest, TheTwoWorkflowSwitchesFollowWorkflowAutomationAndKeepTheirPositions)
{
    defaults().setBool(SettingsKeys::figmaPaletteExtraction.name, true);
    SettingsView &view = openWindow();
    select(SettingsCategory::automation);
    auto *workflow = control<ToggleSwitch>(QStringLiteral("Workflow Automation"));
    auto *figma = control<ToggleSwitch>(QStringLiteral("Figma Palette Extraction"));
    auto *csv = control<ToggleSwitch>(QStringLiteral("Auto CSV Export"));
    auto *search = control<ToggleSwitch>(QStringLiteral("Screenshot Search"));

    const auto state = [&] {
        return QList<bool> { figma->isEnabled(), figma->isChecked(), csv->isEnabled(), csv->isChecked(),
            search->isEnabled() };
    };
    EXPECT_EQ(state(), QList<bool>({ false, true, false, false, true }));
    QTest::mouseClick(figma, Qt::LeftButton);
    QTest::mouseClick(csv, Qt::LeftButton);
    EXPECT_EQ(state(), QList<bool>({ false, true, false, false, true }))
        << "a greyed switch cannot be changed";
    EXPECT_TRUE(view.settings().figmaPaletteExtraction());

    QTest::mouseClick(workflow, Qt::LeftButton);
    EXPECT_TRUE(view.settings().enableWorkflowAutomation());
    EXPECT_EQ(state(), QList<bool>({ true, true, true, false, true }));
    QTest::mouseClick(csv, Qt::LeftButton);
    EXPECT_TRUE(view.settings().autoCSVExport());

    QTest::mouseClick(workflow, Qt::LeftButton);
    EXPECT_EQ(state(), QList<bool>({ false, true, false, true, true }));
    EXPECT_TRUE(view.settings().figmaPaletteExtraction());
    EXPECT_TRUE(view.settings().autoCSVExport());
    QTest::mouseClick(search, Qt::LeftButton);
    EXPECT_TRUE(view.settings().enableScreenshotSearch());
}

TEST_F(SettingsPanelsTest, TheModelMenuOffersFourModelsAndLeavesAnUnknownStoredModelAlone)
{
    const struct
    {
        std::optional<QString> stored;
        int index;
        QString shown;
    } cases[] = {
        { std::nullopt, 0, QStringLiteral("gpt-4o") },
        { QStringLiteral("claude-3-opus"), 2, QStringLiteral("claude-3-opus") },
        { QStringLiteral("gpt-5-vision"), -1, QStringLiteral("gpt-5-vision") },
        { QString(), -1, QString() },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored.value_or(QStringLiteral("(nothing)")).toStdString());
        clearStoredSettings();
        if (c.stored)
            defaults().setString(SettingsKeys::preferredModel.name, *c.stored);
        openWindow();
        select(SettingsCategory::ai);
        auto *menu = control<QComboBox>(QStringLiteral("Preferred AI Model"));
        ASSERT_NE(menu, nullptr);
        QStringList entries;
        for (int index = 0; index < menu->count(); ++index)
            entries.append(menu->itemText(index));
        EXPECT_EQ(entries,
            QStringList({ QStringLiteral("gpt-4o"), QStringLiteral("gpt-4"), QStringLiteral("claude-3-opus"),
                QStringLiteral("claude-3-sonnet") }));
        EXPECT_EQ(menu->currentIndex(), c.index);
        EXPECT_EQ(c.index < 0 ? menu->placeholderText() : menu->currentText(), c.shown);
        ASSERT_NE(menu->parentWidget()->findChild<QLabel *>(), nullptr);
        EXPECT_EQ(menu->parentWidget()->findChild<QLabel *>()->text(), QStringLiteral("Model"));

        closeWindow();
        EXPECT_EQ(defaults().stringForKey(SettingsKeys::preferredModel.name), c.stored)
            << "opening and closing the window keeps the stored model";
    }

    // Picking an entry chooses it.
    openWindow();
    select(SettingsCategory::ai);
    auto *menu = control<QComboBox>(QStringLiteral("Preferred AI Model"));
    menu->setCurrentIndex(3);
    Q_EMIT menu->activated(3);
    closeWindow();
    EXPECT_EQ(defaults().stringForKey(SettingsKeys::preferredModel.name), QStringLiteral("claude-3-sonnet"));
}

TEST_F(SettingsPanelsTest, TheQualityPickerHasThreeSegmentsLeftToRight)
{
    defaults().setString(SettingsKeys::screenshotQuality.name, QStringLiteral("Medium"));
    SettingsView &view = openWindow();
    select(SettingsCategory::screenshots);
    auto *picker = control<SegmentedPicker>(QStringLiteral("Screenshot Quality"));
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->options(),
        QStringList({ QStringLiteral("High"), QStringLiteral("Medium"), QStringLiteral("Low") }));
    EXPECT_EQ(picker->currentText(), QStringLiteral("Medium"));
    EXPECT_EQ(picker->parentWidget()->width(), 220);
    EXPECT_LT(picker->segmentRect(0).right(), picker->segmentRect(1).left());
    EXPECT_LT(picker->segmentRect(1).right(), picker->segmentRect(2).left());

    QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(2).center());
    EXPECT_EQ(view.settings().screenshotQuality(), QStringLiteral("Low"));
    EXPECT_EQ(picker->currentText(), QStringLiteral("Low"));
}

TEST_F(SettingsPanelsTest, TheKeyIsMaskedStoredAsTypedInThePrivateFileAndNeverLogged)
{
    const QString key = QStringLiteral("sk-proj-Secret_Key-0123456789");
    LogCapture log;
    openWindow();
    select(SettingsCategory::ai);
    auto *field = control<QLineEdit>(QStringLiteral("OpenAI API Key"));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Enter API key"));
    EXPECT_EQ(field->width(), 300);

    QTest::keyClicks(field, key);
    EXPECT_EQ(field->text(), key);
    EXPECT_FALSE(field->displayText().contains(QStringLiteral("Secret")));
    closeWindow();

    EXPECT_EQ(defaults().stringForKey(SettingsKeys::apiKey.name), key);
    EXPECT_EQ(QFileInfo(UserDefaults::standardPath()).permissions() & 0x0077, 0)
        << "only the user may read the file that holds the key";
    for (const QString &line : log.lines())
        EXPECT_FALSE(line.contains(QStringLiteral("Secret"))) << line.toStdString();

    // The next window shows it masked again.
    openWindow();
    select(SettingsCategory::ai);
    EXPECT_EQ(control<QLineEdit>(QStringLiteral("OpenAI API Key"))->text(), key);
    EXPECT_EQ(control<QLineEdit>(QStringLiteral("OpenAI API Key"))->echoMode(), QLineEdit::Password);
}

namespace {

QImage questionImage()
{
    QImage image(32, 24, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

// The key that the AI client sends with its next question.
QByteArray keySentWithTheNextQuestion(const FakeAIService &service)
{
    const AIResponse answer = QCoro::waitFor(AIManager::shared().analyzeImage(questionImage(), QStringLiteral("What?")));
    AIManager::shared().resetForNewScreenshot();
    const QList<RecordedRequest> requests = service.requests("POST", "/v1/chat/completions");
    EXPECT_FALSE(requests.isEmpty()) << answer.content.toStdString();
    return requests.isEmpty() ? QByteArray() : requests.last().header("Authorization");
}

} // namespace

// The key is stored as it is typed: a question asked while the window is
// still open uses it, and so does one after the window has closed.
TEST_F(SettingsPanelsTest, AKeyTypedIntoTheOpenWindowIsUsedByTheNextQuestion)
{
    FakeAIService service;
    ScopedEndpoints endpoints(service.baseUrl());

    for (const QString &key : { QStringLiteral("sk-first"), QStringLiteral("sk-second") }) {
        openWindow();
        select(SettingsCategory::ai);
        auto *field = control<QLineEdit>(QStringLiteral("OpenAI API Key"));
        field->selectAll();
        QTest::keyClicks(field, key);
        EXPECT_EQ(defaults().stringForKey(SettingsKeys::apiKey.name), key);
        EXPECT_EQ(keySentWithTheNextQuestion(service), "Bearer " + key.toUtf8());
        closeWindow();
        EXPECT_EQ(keySentWithTheNextQuestion(service), "Bearer " + key.toUtf8());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A key copied from a web page often ends with a line break, or has one
// inside where the page wrapped it: the field takes the key without them.
TEST_F(SettingsPanelsTest, APastedKeyLosesItsLineBreaksAndTheSpaceAroundIt)
{
    openWindow();
    select(SettingsCategory::ai);
    auto *field = control<QLineEdit>(QStringLiteral("OpenAI API Key"));
    field->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("  sk-proj-abc\ndef\r\n"));
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);

    EXPECT_EQ(field->text(), QStringLiteral("sk-proj-abcdef"));
    EXPECT_EQ(defaults().stringForKey(SettingsKeys::apiKey.name), QStringLiteral("sk-proj-abcdef"));
    EXPECT_TRUE(AIManager::shared().hasAPIKey());
}

// Another program holds the settings file while the key is typed: the key
// is used at once all the same, the window says that settings wait to be
// stored, and they are stored once the file is free.
TEST_F(SettingsPanelsTest, AKeyTypedWhileAnotherProgramHoldsTheFileIsUsedAndStoredOnceItIsFree)
{
    FakeAIService service;
    ScopedEndpoints endpoints(service.baseUrl());
    const QString key = QStringLiteral("sk-while-busy");
    openWindow();
    select(SettingsCategory::ai);
    auto *notice = view().findChild<QLabel *>(QStringLiteral("unsavedNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(notice->isVisible());

    DatabaseLock other(UserDefaults::standardPath(), DatabaseLock::Kind::WritesOnly);
    ASSERT_TRUE(other.isHeld());
    QTest::keyClicks(control<QLineEdit>(QStringLiteral("OpenAI API Key")), key);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_TRUE(notice->text().startsWith(QStringLiteral("⚠️ Settings not saved yet: ")));
    EXPECT_FALSE(defaults().contains(SettingsKeys::apiKey.name));
    EXPECT_EQ(keySentWithTheNextQuestion(service), "Bearer " + key.toUtf8());

    other.release();
    QTRY_VERIFY_WITH_TIMEOUT(!notice->isVisible(), 60000);
    EXPECT_EQ(defaults().stringForKey(SettingsKeys::apiKey.name), key);
}

// A notch of the wheel over the model menu, meant to scroll the panel,
// changes nothing; once the menu has the focus, the wheel turns it.
TEST_F(SettingsPanelsTest, TheWheelTurnsTheModelMenuOnlyOnceItHasTheFocus)
{
    defaults().setString(SettingsKeys::preferredModel.name, QStringLiteral("gpt-5-vision"));
    SettingsView &view = openWindow();
    select(SettingsCategory::ai);
    auto *menu = control<QComboBox>(QStringLiteral("Preferred AI Model"));
    ASSERT_NE(menu, nullptr);
    const auto wheel = [menu](int notches) {
        const QPointF at = QRectF(menu->rect()).center();
        QWheelEvent event(at, menu->mapToGlobal(at), QPoint(), QPoint(0, -120 * notches), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(menu, &event);
    };

    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    ASSERT_FALSE(menu->hasFocus());
    wheel(1);
    EXPECT_EQ(view.settings().preferredModel(), QStringLiteral("gpt-5-vision"));
    EXPECT_FALSE(menu->hasFocus());
    EXPECT_EQ(menu->focusPolicy(), Qt::StrongFocus);

    menu->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(menu->hasFocus());
    wheel(1);
    EXPECT_EQ(view.settings().preferredModel(), QStringLiteral("gpt-4o"));

    closeWindow();
    EXPECT_EQ(defaults().stringForKey(SettingsKeys::preferredModel.name), QStringLiteral("gpt-4o"));
}

TEST_F(SettingsPanelsTest, AboutOpensTheSupportMailAndThePrivacyPage)
{
    OpenedLinks links;
    openWindow();
    select(SettingsCategory::about);
    QTest::mouseClick(control<QPushButton>(QStringLiteral("Support")), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(QStringLiteral("Privacy")), Qt::LeftButton);

    ASSERT_EQ(links.urls.size(), 2);
    EXPECT_EQ(links.urls[0].toString(QUrl::FullyEncoded),
        QStringLiteral("mailto:support@pexilo.example.com?subject=Pexilo%20Support"));
    EXPECT_EQ(
        links.urls[1].toString(QUrl::FullyEncoded), QStringLiteral("https://pexilo.example.com/privacy"));
    EXPECT_EQ(control<QPushButton>(QStringLiteral("Support"))->text(), QStringLiteral("Contact Support"));
    EXPECT_EQ(control<QPushButton>(QStringLiteral("Privacy"))->text(), QStringLiteral("Privacy Policy"));
}

TEST_F(SettingsPanelsTest, LaunchAtLoginSavedOnWritesTheAutostartEntryAndSavedOffRemovesIt)
{
    ASSERT_TRUE(DesktopEntryCheck::validatorInstalled()) << "desktop-file-validate is not installed";
    openWindow();
    QTest::mouseClick(control<ToggleSwitch>(QStringLiteral("Launch at Login")), Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(AutostartEntry::path())) << "nothing happens before the window closes";
    closeWindow();

    EXPECT_TRUE(defaults().boolForKey(SettingsKeys::autoLaunchAtLogin.name));
    ASSERT_TRUE(AutostartEntry::isInstalled());
    EXPECT_EQ(DesktopEntryCheck::validationErrors(AutostartEntry::path()), QString());
    QFile entry(AutostartEntry::path());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains(
        "\nExec=" + QFile::encodeName(QCoreApplication::applicationFilePath()) + '\n'));
    entry.close();

    openWindow();
    auto *launch = control<ToggleSwitch>(QStringLiteral("Launch at Login"));
    EXPECT_TRUE(launch->isChecked());
    EXPECT_EQ(row(QStringLiteral("Launch at Login"))->note(), QString());
    QTest::mouseClick(launch, Qt::LeftButton);
    closeWindow();
    EXPECT_FALSE(QFile::exists(AutostartEntry::path()));
}

// "Launch at Login" shows whether Pexilo really starts at login. A choice
// that cannot be carried out (a pexilo.desktop of another program, which is
// left alone, or a folder that takes no file) leaves the switch as it is,
// with the reason under it, and stores nothing; a switch stored on whose
// entry could not be written shows off, with the reason.
TEST_F(SettingsPanelsTest, LaunchAtLoginShowsWhatIsInstalledAndWhyNot)
{
    const QString folder = QFileInfo(AutostartEntry::path()).absolutePath();
    const QByteArray theirs = "[Desktop Entry]\nType=Application\nName=Mine\nExec=/usr/bin/true\n";
    const auto writeTheirs = [&] {
        QDir().mkpath(folder);
        QFile foreign(AutostartEntry::path());
        ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
        foreign.write(theirs);
    };
    const auto readTheirs = [] {
        QFile file(AutostartEntry::path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QString foreignReason
        = QStringLiteral("Pexilo cannot start at login: %1 belongs to another program.").arg(AutostartEntry::path());
    const QString folderReason
        = QStringLiteral("Pexilo cannot start at login: the folder %1 cannot be written.").arg(folder);

    // Another program's entry under our name.
    writeTheirs();
    openWindow();
    auto *launch = control<ToggleSwitch>(QStringLiteral("Launch at Login"));
    EXPECT_FALSE(launch->isChecked());
    EXPECT_EQ(row(QStringLiteral("Launch at Login"))->note(), QString());
    QTest::mouseClick(launch, Qt::LeftButton);
    EXPECT_FALSE(launch->isChecked());
    EXPECT_EQ(row(QStringLiteral("Launch at Login"))->note(), foreignReason);
    const auto *note = row(QStringLiteral("Launch at Login"))->findChild<QLabel *>(QStringLiteral("rowNote"));
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    closeWindow();
    EXPECT_FALSE(defaults().contains(SettingsKeys::autoLaunchAtLogin.name));
    EXPECT_EQ(readTheirs(), theirs);

    // Stored on (as onboarding stores it) over another program's entry.
    defaults().setBool(SettingsKeys::autoLaunchAtLogin.name, true);
    openWindow();
    EXPECT_FALSE(control<ToggleSwitch>(QStringLiteral("Launch at Login"))->isChecked());
    EXPECT_EQ(row(QStringLiteral("Launch at Login"))->note(), foreignReason);
    closeWindow();
    EXPECT_TRUE(defaults().boolForKey(SettingsKeys::autoLaunchAtLogin.name)) << "nothing was changed";
    EXPECT_EQ(readTheirs(), theirs);
    QFile::remove(AutostartEntry::path());
    defaults().removeObject(SettingsKeys::autoLaunchAtLogin.name);

    // A folder that takes no file.
    {
        const ReadOnlyFolder readOnly(folder);
        if (!readOnly.isReadOnly())
            GTEST_SKIP() << "this file system lets the superuser write into any folder";
        openWindow();
        launch = control<ToggleSwitch>(QStringLiteral("Launch at Login"));
        QTest::mouseClick(launch, Qt::LeftButton);
        EXPECT_FALSE(launch->isChecked());
        EXPECT_EQ(row(QStringLiteral("Launch at Login"))->note(), folderReason);
        closeWindow();
        EXPECT_FALSE(defaults().contains(SettingsKeys::autoLaunchAtLogin.name));

        defaults().setBool(SettingsKeys::autoLaunchAtLogin.name, true);
        openWindow();
        EXPECT_FALSE(control<ToggleSwitch>(QStringLiteral("Launch at Login"))->isChecked());
        EXPECT_EQ(row(QStringLiteral("Launch at Login"))->note(), folderReason);
        closeWindow();
    }
    // The folder open again: the same switch works.
    openWindow();
    EXPECT_EQ(row(QStringLiteral("Launch at Login"))->note(), QString());
    QTest::mouseClick(control<ToggleSwitch>(QStringLiteral("Launch at Login")), Qt::LeftButton);
    EXPECT_TRUE(control<ToggleSwitch>(QStringLiteral("Launch at Login"))->isChecked());
    closeWindow();
    EXPECT_TRUE(AutostartEntry::isInstalled());
}

#include "SettingsPanelsTest.moc"
