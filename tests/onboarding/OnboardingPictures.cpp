// onboarding-pictures <out-dir>: draws the onboarding window at each step, as
// a new user who types "Ada" and switches on launch at login sees it, into
// <out-dir>/1-welcome.png ... 5-feedback.png, on a grey desktop so that the
// card's corners and shadow show.

#include "onboarding/ModernOnboardingView.h"
#include "onboarding/OnboardingManager.h"
#include "onboarding/SettingsStepView.h"
#include "support/FakeScreenCapturePermission.h"
#include "ui/AnimatedValue.h"
#include "ui/ToggleSwitch.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: onboarding-pictures <out-dir>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());

    AnimatedValue::setFinishAtOnce(true);
    FakeScreenCapturePermission permission(true);
    ModernOnboardingView view;
    view.setAttribute(Qt::WA_TranslucentBackground);
    view.resize(ModernOnboardingView::windowSize());
    view.show();

    const char *names[] = { "1-welcome", "2-permissions", "3-settings", "4-complete", "5-feedback" };
    for (const char *name : names) {
        if (auto *settings = qobject_cast<SettingsStepView *>(view.currentStepView())) {
            settings->nameField()->setText(QStringLiteral("Ada"));
            Q_EMIT settings->nameField()->textEdited(QStringLiteral("Ada"));
            settings->launchAtLoginSwitch()->setChecked(true);
        }
        QImage picture(view.size() * 2, QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(2);
        picture.fill(QColor(120, 130, 140));
        QPainter painter(&picture);
        view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        painter.end();
        if (!picture.save(out.filePath(QString::fromLatin1(name) + QStringLiteral(".png"))))
            return 1;
        view.nextStep();
    }
    return 0;
}
