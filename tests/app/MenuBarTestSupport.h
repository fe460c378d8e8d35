#pragma once

#include "app/ConversationThumbnail.h"
#include "chat/ConversationThumbnails.h"
#include "app/MenuBarView.h"
#include "app/MenuBarWindow.h"
#include "onboarding/OnboardingManager.h"
#include "store/Conversation.h"

#include <QAbstractButton>
#include <QImage>
#include <QStringList>

#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace MenuBarTestSupport {

// Half past nine in the morning, Berlin time, American English.
QDateTime morning();
DateEnvironment environmentAt(const QDateTime &now);

QByteArray pngBytes(const QImage &image);
// A 40 × 30 picture as PNG bytes.
QByteArray samplePng();

// A conversation with `messageCount` messages, "Question 1", "Answer 1",
// "Question 2", ... alternating the user and the assistant, a minute apart.
Conversation conversation(const QString &title, const QDateTime &createdAt, int messageCount,
    const std::optional<QByteArray> &screenshotData = samplePng());

// Leaves the conversations in the defaults as an earlier run would, in
// place of any stored, and has the shared conversation store load them.
void storeConversations(const QList<Conversation> &conversations);

// The texts the widget shows, in reading order: top to bottom, and left to
// right within a line.
QStringList visibleTexts(const QWidget *root);
// The visible button with that accessible name; null when there is none.
QAbstractButton *buttonNamed(const QWidget *root, const QString &name);
// The visible rows of recent conversations, top to bottom.
QList<QAbstractButton *> recentRows(const QWidget *root);
QStringList recentTitles(const QWidget *root);

// The application's shared objects as a new process has them, for each case
// of a program that runs them all in one: the conversation store as loaded
// from the (emptied) defaults and viewing nothing, the AI client without
// answers, the chat window closed and empty.
void resetSharedObjects();

// A tray panel over the application's shared managers and an onboarding
// manager of its own, with the clock stopped at morning().
class MenuBarFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the onboarding manager (which then reads the defaults) and the
    // panel on the first call, then opens the panel as a click on an icon at
    // the top right of the screen would.
    MenuBarWindow &openPanel();
    MenuBarView &view() { return *m_window->view(); }
    OnboardingManager &onboarding() { return *m_onboarding; }
    // Clicks the visible button with that accessible name; fails when there is none.
    void click(const QString &buttonName);

private:
    ConversationThumbnails m_thumbnails { ConversationThumbnail::side };
    std::unique_ptr<OnboardingManager> m_onboarding;
    std::unique_ptr<MenuBarWindow> m_window;
};

} // namespace MenuBarTestSupport
