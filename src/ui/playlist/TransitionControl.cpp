#include "ui/playlist/TransitionControl.h"

#include "engine/PlaylistEngine.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace tessarin {

namespace {
constexpr double kStep = 0.1;
constexpr double kMinFade = 0.1;
constexpr double kMaxFade = 10.0;
constexpr TransitionStyle kStyles[] = { TransitionStyle::cut, TransitionStyle::fade };
} // namespace

TransitionControl::TransitionControl(PlaylistEngine& engine, QWidget* parent)
    : QWidget(parent)
    , engine_(engine)
    , picker_(new SegmentedControl(this))
    , stepper_(new Stepper(this))
{
    auto* caption = new QLabel(tr("Transizione"), this);
    caption->setFont(Theme::font(11, QFont::DemiBold));
    setTextColor(caption, Theme::textSecondary());

    for (const auto style : kStyles)
        picker_->addSegment(transition::title(style));
    picker_->setFixedWidth(130);
    picker_->setAccessibleName(tr("Transizione"));
    picker_->setToolTip(tr("Cut: la clip successiva sostituisce subito quella in onda. Fade: dissolvenza "
                           "incrociata tra una clip e la successiva; l'ultima clip sfuma a nero."));
    connect(picker_, &SegmentedControl::activated, this, [this](int index) {
        if (index >= 0 && index < int(std::size(kStyles)))
            engine_.setTransitionStyle(kStyles[index]);
    });

    QLabel* value = stepper_->label();
    value->setFont(Theme::monoFont(12));
    value->setMinimumWidth(46);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextColor(value, Theme::textPrimary());
    setHelp(stepper_, tr("Durata della transizione: le due clip si sovrappongono per questo tempo; "
                         "l'ultima clip sfuma a nero nello stesso tempo"));
    stepper_->setSubject(tr("durata della transizione"));
    connect(stepper_, &Stepper::incremented, this, [this] { step(kStep); });
    connect(stepper_, &Stepper::decremented, this, [this] { step(-kStep); });
    // Arrows a hand hits at once; the row keeps their height while the cut
    // style hides them, so nothing under it moves.
    stepper_->setArrowSize(QSize(16, 16));
    setMinimumHeight(stepper_->sizeHint().height());

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addStretch(1);
    layout->addWidget(caption);
    layout->addWidget(picker_);
    layout->addWidget(stepper_);
    layout->addStretch(1);
    // The stepper was made before the picker's segments: Tab goes left to
    // right all the same.
    useLayoutTabOrder(this);

    connect(&engine, &PlaylistEngine::transitionStyleChanged, this, &TransitionControl::follow);
    connect(&engine, &PlaylistEngine::fadeSecondsChanged, this, &TransitionControl::follow);
    follow();
}

void TransitionControl::follow()
{
    const bool fade = engine_.transitionStyle() == TransitionStyle::fade;
    picker_->setCurrentIndex(fade ? 1 : 0);
    const double seconds = engine_.fadeSeconds();
    stepper_->setText(tr("%1 s").arg(QLocale().toString(seconds, 'f', 1)));
    // Compared in tenths: the engine stores whole tenths.
    const long tenths = std::lround(seconds * 10.0);
    stepper_->setUpEnabled(tenths < std::lround(kMaxFade * 10.0));
    stepper_->setDownEnabled(tenths > std::lround(kMinFade * 10.0));
    stepper_->setVisible(fade);
}

void TransitionControl::step(double delta)
{
    const double next = std::clamp(engine_.fadeSeconds() + delta, kMinFade, kMaxFade);
    engine_.setFadeSeconds(next);
}

} // namespace tessarin
