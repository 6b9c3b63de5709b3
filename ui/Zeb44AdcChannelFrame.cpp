#include "ui/Zeb44AdcChannelFrame.h"

#include "ui/DesignHelpers.h"
#include "ui/Led.h"
#include "ui/UiStyle.h"
#include "ui/ValueEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

using namespace design;
using namespace style;

namespace {

void SetUnitLabel(QLabel* label, int left)
{
    label->setGeometry(left, 10, 30, 19);
    label->setFont(SansFont(15));
    label->setAlignment(Qt::AlignCenter);
    SetColor(label, QPalette::WindowText, Qt::black);
    label->setText(QStringLiteral("кГц"));
}

void SetValueDisplay(TValueEdit* edit, int left, int width)
{
    edit->setGeometry(left, 4, width, 34);
    edit->setFont(MonoFont(27, true));
    edit->setAlignment(Qt::AlignCenter);
    edit->setFrame(true);
    QPalette pal = edit->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Base, Qt::black);
        pal.setColor(group, QPalette::Highlight, Qt::white);
        pal.setColor(group, QPalette::HighlightedText, DarkGreen);
    }
    edit->setPalette(pal);
    edit->setTextColor(BrightGreen);
    edit->setText(QStringLiteral("CCCCCCCCC"));
}

// A container in the sense of SetControlsEnabled: a panel or a plain widget holding controls,
// not a control that happens to own helper widgets (a list's pop-up, for instance).
bool IsContainer(const QWidget* widget)
{
    const QMetaObject* meta = widget->metaObject();
    return meta == &QWidget::staticMetaObject || meta == &QFrame::staticMetaObject
        || qobject_cast<const QGroupBox*>(widget) != nullptr
        || qobject_cast<const TZeb44AdcChannelFrame*>(widget) != nullptr;
}

} // namespace

TZeb44AdcChannelFrame::TZeb44AdcChannelFrame(QWidget* owner, std::uint16_t channelIndex,
                                             const double* rangeValues, std::uint16_t rangeCount)
    : QFrame(owner)
    , ChannelIndex(channelIndex)
    , ApplicationActive(false)
{
    // Design look of the frame: hidden until the window has placed it.
    setFrameShape(QFrame::NoFrame);
    setGeometry(0, 0, 857, 60);
    setFont(SansFont(17));
    hide();

    // Qualified: in a frame's own members QFrame::Panel hides the helper.
    Zeb44AdcChannelLMDSimplePanel = design::Panel(this, "Zeb44AdcChannelLMDSimplePanel", 0, 0, 713, 40, TEdge::Raised);
    QWidget* panel = Zeb44AdcChannelLMDSimplePanel;

    ChannelNumberLMDCheckBox = Make<QCheckBox>(panel, "ChannelNumberLMDCheckBox", 4, 8, 100, 25);
    ChannelNumberLMDCheckBox->setFont(SansFont(17, true));

    InputRangeLMDComboBox = Make<QComboBox>(panel, "InputRangeLMDComboBox", 114, 7, 90, 27);
    InputRangeLMDComboBox->setToolTip(QStringLiteral("Предел измерений"));

    ComputationMethodLMDComboBox = Make<QComboBox>(panel, "ComputationMethodLMDComboBox", 217, 7, 80, 27);
    ComputationMethodLMDComboBox->setToolTip(QStringLiteral("Режим измерений"));
    ComputationMethodLMDComboBox->addItems({QStringLiteral("   DC"), QStringLiteral("   AC")});
    ComputationMethodLMDComboBox->setMaxVisibleItems(2);

    ComputationMethodLMDLabel = Make<QLabel>(panel, "ComputationMethodLMDLabel", 232, 8, 50, 26);
    ComputationMethodLMDLabel->setToolTip(QStringLiteral("Метод расчёта"));
    ComputationMethodLMDLabel->setFrameShape(QFrame::Box);
    ComputationMethodLMDLabel->setLineWidth(1);
    ComputationMethodLMDLabel->setFont(SansFont(17));
    ComputationMethodLMDLabel->setAlignment(Qt::AlignCenter);
    SetColor(ComputationMethodLMDLabel, QPalette::WindowText, Qt::black);
    ComputationMethodLMDLabel->setText(QStringLiteral("CCC"));
    // The label takes the list's place once a mode has been shown.
    ComputationMethodLMDLabel->hide();

    Value1LMDEdit = new TValueEdit(panel);
    Value1LMDEdit->setObjectName(QStringLiteral("Value1LMDEdit"));
    SetValueDisplay(Value1LMDEdit, 312, 152);

    Value1LabLMDLabel = new QLabel(panel);
    Value1LabLMDLabel->setObjectName(QStringLiteral("Value1LabLMDLabel"));
    SetUnitLabel(Value1LabLMDLabel, 465);

    Value2LMDEdit = new TValueEdit(panel);
    Value2LMDEdit->setObjectName(QStringLiteral("Value2LMDEdit"));
    SetValueDisplay(Value2LMDEdit, 499, 153);

    Value2LabLMDLabel = new QLabel(panel);
    Value2LabLMDLabel->setObjectName(QStringLiteral("Value2LabLMDLabel"));
    SetUnitLabel(Value2LabLMDLabel, 653);

    FlashLed = Make<TLed>(panel, "FlashLed", 684, 8, 22, 22);
    FlashLed->setToolTip(QStringLiteral("Признак перегрузки канала"));
    FlashLed->setOnColor(FaceColor(this));
    FlashLed->setOffColor(BrightGreen);
    FlashLed->setValue(true);

    for (TValueEdit* edit : {Value1LMDEdit, Value2LMDEdit}) {
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { ValueLMDEditChange(edit); });
        connect(edit, &TValueEdit::mouseEntered, this, [this, edit] { ValueLMDEditMouseEnter(edit); });
        connect(edit, &TValueEdit::mouseLeft, this, [this, edit] { ValueLMDEditMouseExit(edit); });
    }
    connect(ChannelNumberLMDCheckBox, &QCheckBox::stateChanged, this,
            [this] { emit enableCheckBoxChanged(ChannelNumberLMDCheckBox); });
    connect(InputRangeLMDComboBox, &QComboBox::currentIndexChanged, this,
            [this] { emit rangeListChanged(InputRangeLMDComboBox); });

    // Construction steps.
    ChannelNumberLMDCheckBox->setText(QStringLiteral("Канал ") + QString::number(ChannelIndex + 1));
    {
        const QSignalBlocker quiet(InputRangeLMDComboBox);   // filling is not an operator's choice
        InputRangeLMDComboBox->clear();
        for (std::uint16_t i = 0; i < rangeCount; ++i)
            InputRangeLMDComboBox->addItem(QStringLiteral(" ") + QString::number(rangeValues[i], 'f', 2)
                                           + QStringLiteral(" В"));
        InputRangeLMDComboBox->setCurrentIndex(-1);
        if (rangeCount > 0)
            InputRangeLMDComboBox->setMaxVisibleItems(rangeCount);
    }
    ComputationMethodLMDComboBox->setCurrentIndex(-1);
    ComputationMethodLMDLabel->setText(QString());
    // Both displays lose their selection with the focus (the line edit drops it on focus-out).
    SetOverloadLed(Neutral);
}

void TZeb44AdcChannelFrame::EnableChannel()
{
    InputRangeLMDComboBox->setEnabled(true);
    ComputationMethodLMDComboBox->setEnabled(false);
    ComputationMethodLMDLabel->setEnabled(true);
    Value1LMDEdit->setEnabled(true);
    Value2LMDEdit->setEnabled(true);
    Value1LabLMDLabel->setEnabled(true);
    Value2LabLMDLabel->setEnabled(true);
    FlashLed->setEnabled(true);

    // The lamp follows what the first display shows, so an overload seen before stays visible.
    const QString text = Value1LMDEdit->text();
    if (text.isEmpty() || text.contains(QStringLiteral("----")))
        SetOverloadLed(Neutral);
    else if (Value1LMDEdit->textColor().rgb() == Red.rgb())
        SetOverloadLed(Overload);
    else
        SetOverloadLed(NoOverload);
}

void TZeb44AdcChannelFrame::DisableChannel()
{
    InputRangeLMDComboBox->setEnabled(false);
    ComputationMethodLMDComboBox->setEnabled(false);
    ComputationMethodLMDLabel->setEnabled(false);
    Value1LMDEdit->setEnabled(false);
    Value2LMDEdit->setEnabled(false);
    Value1LabLMDLabel->setEnabled(false);
    Value2LabLMDLabel->setEnabled(false);
    FlashLed->setEnabled(false);
    SetOverloadLed(Neutral);
}

void TZeb44AdcChannelFrame::SetOverloadLed(std::uint8_t state)
{
    switch (state) {
    case NoOverload:
        FlashLed->setOnColor(Red);
        FlashLed->setOffColor(DarkGreen);
        FlashLed->setValue(false);
        break;
    case Overload:
        FlashLed->setOnColor(Red);
        FlashLed->setOffColor(DarkGreen);
        FlashLed->setValue(true);
        break;
    case Neutral:
        FlashLed->setOnColor(FaceColor(this));
        FlashLed->setOffColor(FaceColor(this));
        FlashLed->setValue(false);
        break;
    default:
        break;
    }
}

void TZeb44AdcChannelFrame::ShowComputationMethod(int connectionMode, int measuringModeIndex)
{
    ComputationMethodLMDComboBox->hide();
    ComputationMethodLMDLabel->show();
    bool ac = false;
    if (connectionMode == 0)
        ac = measuringModeIndex == 1;
    else if (connectionMode == 1)
        ac = true;
    ComputationMethodLMDLabel->setText(ac ? QStringLiteral("AC") : QStringLiteral("DC"));
}

void TZeb44AdcChannelFrame::DisableFrameControls()
{
    SetControlsEnabled(Zeb44AdcChannelLMDSimplePanel, false);
}

void TZeb44AdcChannelFrame::SetControlsEnabled(QWidget* container, bool enabled)
{
    if (container == nullptr)
        return;
    container->setEnabled(enabled);
    const QList<QWidget*> children = container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (child->isWindow())
            continue;   // pop-ups and dialogs owned by the container are not its controls
        if (IsContainer(child))
            SetControlsEnabled(child, enabled);
        child->setEnabled(enabled);
    }
}

void TZeb44AdcChannelFrame::SetFocusOnMouseAbove(bool on)
{
    Value1LMDEdit->setFocusOnMouseAbove(on);
    Value2LMDEdit->setFocusOnMouseAbove(on);
}

void TZeb44AdcChannelFrame::ValueLMDEditChange(QObject* sender)
{
    auto* edit = qobject_cast<QLineEdit*>(sender);
    if (edit == nullptr)
        return;
    const auto* display = qobject_cast<TValueEdit*>(edit);
    const bool pointerOver = display != nullptr ? display->pointerOver() : edit->underMouse();
    // A value that arrives while the pointer rests on it stays highlighted.
    if (ApplicationActive && pointerOver)
        edit->selectAll();
}

void TZeb44AdcChannelFrame::ValueLMDEditMouseEnter(QObject* sender)
{
    auto* edit = qobject_cast<QLineEdit*>(sender);
    if (edit == nullptr)
        return;
    // Placeholders such as "--------" are never highlighted.
    if (ApplicationActive && !edit->text().contains(QStringLiteral("--")))
        edit->selectAll();
}

void TZeb44AdcChannelFrame::ValueLMDEditMouseExit(QObject* sender)
{
    auto* edit = qobject_cast<QLineEdit*>(sender);
    if (edit == nullptr)
        return;
    if (ApplicationActive)
        edit->deselect();
}
