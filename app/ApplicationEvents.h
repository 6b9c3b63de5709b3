#pragma once

#include <QObject>
#include <QString>

#include <functional>

class THintWindow;
struct THintInfo;

// The application-wide handlers: a key before any control sees it,
// activation and deactivation of the application, and every tooltip. One
// object is installed on the application; the window sets the handlers.
class TApplicationEvents : public QObject {
    Q_OBJECT
public:
    using TShortCutHandler = std::function<void(int key, bool& handled)>;
    using TShowHintHandler = std::function<void(QString& text, bool& canShow, THintInfo& info)>;

    // Installs the filter on the application and creates the tooltip window;
    // tooltips appear 200 ms after the pointer stops and stay 1500 ms by default.
    explicit TApplicationEvents(QObject* parent);
    ~TApplicationEvents() override;

    TShortCutHandler OnShortCut;
    std::function<void()> OnActivate;
    std::function<void()> OnDeactivate;
    TShowHintHandler OnShowHint;

    // Default time a tooltip stays, ms.
    static constexpr int DefaultHintHideTimeout = 1500;
    // Delay before a tooltip appears, ms.
    static constexpr int HintShowDelay = 200;

    THintWindow* HintWindow() const { return hintWindow_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ShowHintFor(QWidget* widget, const QPoint& globalPos);

    THintWindow* hintWindow_;
};
