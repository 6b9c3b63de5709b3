#include "app/ReadingLog.h"

#include "app/MessagePresenter.h"
#include "ui/UiStyle.h"
#include "ui/MainFormUi.h"

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QTimer>

#include <chrono>

TReadingLog::TReadingLog(QWidget& window, TMainFormUi& ui, std::function<bool()> events)
    : QObject(&window), window_(window), ui_(ui), events_(std::move(events)) {
    QWidget* page = ui_.MultimeterLMDTabSheet;
    indicator_ = new QLabel(page);
    indicator_->setObjectName(QStringLiteral("ReadingLogLMDLabel"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setBold(true);
    indicator_->setFont(font);
    QPalette palette = indicator_->palette();
    palette.setColor(QPalette::WindowText, style::Maroon);
    indicator_->setPalette(palette);
    indicator_->hide();
    QAction* item = ui_.ReadingLogMenuItem;
    connect(item, &QAction::triggered, this, [this] { ItemTriggered(); });
    window_.installEventFilter(this);
}

TReadingLog::~TReadingLog() { file_.Close(); }

void TReadingLog::ItemTriggered() {
    if (IsOpen()) {
        Close();
        return;
    }
    ShowState();  // unticked until a file is open
    QFileDialog dialog(&window_, QString::fromUtf8(Caption));
    dialog.setObjectName(QStringLiteral("ReadingLogFileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The readings are appended: an existing file keeps what it holds.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setNameFilters({QStringLiteral("Показания CSV (*.csv)"), QStringLiteral("Все файлы (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    Open(dialog.selectedFiles().first());
}

bool TReadingLog::Open(const QString& path) {
    std::string error;
    if (!file_.Open(path.toStdString(), error)) {
        ShowState();
        ApplicationMessageBox(&window_,
                              QStringLiteral("Не могу открыть файл %1 для записи показаний:\n%2")
                                  .arg(path, QString::fromStdString(error)),
                              QString::fromUtf8(Caption), TMessageBoxIcon::Error);
        return false;
    }
    ShowState();
    return true;
}

void TReadingLog::Close() {
    file_.Close();
    ShowState();
}

void TReadingLog::FrameShown(const TShownFrame& shown) {
    const run::TMeasurementRun& run = shown.Run;
    const std::array<bool, 4>& ticked = shown.Ticked;
    ++frame_;
    if (!IsOpen()) return;
    readings::TReading reading = readings::ReadingOfRun(run, ticked, frame_, std::chrono::system_clock::now());
    readings::TColumns columns = readings::ColumnsOfRun(run);
    for (int c = 0; c < 4 && verdictOf_; ++c) {
        const std::size_t i = static_cast<std::size_t>(c);
        columns.Pass[i] = columns.Enabled[i] && verdictOf_(c, reading.Channels[i].Verdict);
    }
    std::string error;
    if (file_.Append(columns, reading, event_, error)) return;
    Failed(error);
}

void TReadingLog::RunStarted() {
    frame_ = 0;
    event_ = events_() ? readings::TEventColumn::With : readings::TEventColumn::Without;
}

void TReadingLog::LinkLost(const TLinkLoss& loss) {
    // Once per loss: the tries that follow it are not records of their own.
    if (!IsOpen() || loss.FailedTries > 0) return;
    // Auto-resume turned on during the run: its lines take the event column from here on.
    event_ = readings::TEventColumn::With;
    std::string error;
    if (!file_.AppendEvent(loss.Since, readings::LostEventText(loss.Message), error)) Failed(error);
}

void TReadingLog::LinkResumed(const TLinkLoss& loss) {
    if (!IsOpen()) return;
    std::string error;
    if (!file_.AppendEvent(std::chrono::system_clock::now(), readings::ResumedEventText(loss.GapSeconds), error))
        Failed(error);
}

void TReadingLog::Failed(const std::string& error) {
    const QString path = QString::fromStdString(file_.Path());
    Close();
    // The box comes after the frame's step, so the run is not held while it is open.
    QTimer::singleShot(0, &window_, [this, path, reason = QString::fromStdString(error)] {
        ApplicationMessageBox(&window_,
                              QStringLiteral("Не могу записать показания в файл %1:\n%2\n"
                                             "Запись показаний прекращена, измерение продолжается.")
                                  .arg(path, reason),
                              QString::fromUtf8(Caption), TMessageBoxIcon::Error);
    });
}

bool TReadingLog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Close) Close();
    return QObject::eventFilter(watched, event);
}

void TReadingLog::ShowState() {
    const bool open = IsOpen();
    ui_.ReadingLogMenuItem->setChecked(open);
    if (!open) {
        indicator_->hide();
        return;
    }
    // Under the parameter panels, across their width: the place no control uses.
    QWidget* page = ui_.MultimeterLMDTabSheet;
    const QWidget* panel = ui_.AdcStreamLMDSimplePanel;
    const QRect area(panel->mapTo(page, QPoint(0, 0)), panel->size());
    indicator_->setGeometry(area.left(), area.bottom() + 4, area.width(), 24);
    const QString path = QString::fromStdString(file_.Path());
    indicator_->setText(QStringLiteral("Запись показаний: %1").arg(QFileInfo(path).fileName()));
    indicator_->setToolTip(path);
    indicator_->show();
    indicator_->raise();
}
