#include "ui/browser/SourcesList.h"

#include "ui/browser/SourceSection.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tessarin {

SourcesList::SourcesList(SourceLibrary& sources, QWidget* parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    useThinScrollBars(*this);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);

    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 10, 0, 10);
    layout->setSpacing(14);
    for (LiveSourceKind kind : LiveSourceKinds::offered()) {
        auto* section = new SourceSection(kind, sources, content);
        sections_.push_back(section);
        layout->addWidget(section);
    }
    auto* footer = new QLabel(tr("Trascina una sorgente in un blocco per mandarla in onda come una traccia."), content);
    footer->setWordWrap(true);
    footer->setAlignment(Qt::AlignHCenter);
    footer->setFont(Theme::font(11));
    setTextColor(footer, Theme::textTertiary());
    footer->setContentsMargins(12, 0, 12, 8);
    layout->addWidget(footer);
    layout->addStretch(1);
    setWidget(content);
}

SourceSection* SourcesList::section(LiveSourceKind kind) const
{
    for (SourceSection* s : sections_) {
        if (s->kind() == kind)
            return s;
    }
    return nullptr;
}

void SourcesList::setRowDestinations(const RowDestinations& destinations)
{
    for (SourceSection* section : sections_)
        section->setRowDestinations(destinations);
}

} // namespace tessarin
