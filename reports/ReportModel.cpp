#include "reports/ReportModel.h"

#include "core/AppError.h"

namespace pelmar::reports {

ReportBand::ReportBand(BandType type, QString name, double height)
    : Type(type)
    , Name(std::move(name))
    , Height(height)
{
}

ReportLabel& ReportBand::addLabel(const QString& name, const QString& caption, double left, double top,
                                  const FontSpec& font, Alignment align)
{
    auto label = std::make_unique<ReportLabel>();
    label->Name = name;
    label->Caption = caption;
    label->Left = left;
    label->Top = top;
    label->Font = font;
    label->Align = align;
    m_labels.push_back(std::move(label));
    return *m_labels.back();
}

ReportLabel& ReportBand::addRightLabel(const QString& name, const QString& caption, double rightEdge, double top,
                                       const FontSpec& font, double maxWidth)
{
    // Designed as a zero-width box at the right edge: auto-size grows it to
    // the left.
    ReportLabel& label = addLabel(name, caption, rightEdge, top, font, Alignment::Right);
    label.MaxWidth = maxWidth;
    return label;
}

ReportLabel& ReportBand::addColumnLabel(const QString& name, const QString& caption, double left, double width,
                                        double top, const FontSpec& font, Alignment align)
{
    ReportLabel& label = addLabel(name, caption, left, top, font, align);
    label.Width = width;
    label.AutoSize = false;
    return label;
}

ReportLabel& ReportBand::addSystemField(const QString& name, LabelKind kind, const QString& prefix, double left,
                                        double top, const FontSpec& font, Alignment align)
{
    ReportLabel& label = addLabel(name, prefix, left, top, font, align);
    label.Kind = kind;
    return label;
}

void ReportBand::addRectangle(double left, double top, double width, double height, double penWidth)
{
    m_shapes.push_back(ReportShape {left, top, width, height, penWidth});
}

ReportLabel* ReportBand::findLabel(const QString& name) const
{
    for (const auto& label : m_labels)
        if (!label->Name.isEmpty() && label->Name == name)
            return label.get();
    return nullptr;
}

ReportBand& Report::addBand(BandType type, const QString& name, double height)
{
    m_bands.push_back(std::make_unique<ReportBand>(type, name, height));
    return *m_bands.back();
}

ReportBand* Report::band(BandType type) const
{
    for (const auto& band : m_bands)
        if (band->Type == type)
            return band.get();
    return nullptr;
}

ReportLabel* Report::findLabel(const QString& name) const
{
    for (const auto& band : m_bands)
        if (ReportLabel* label = band->findLabel(name))
            return label;
    return nullptr;
}

ReportLabel& Report::label(const QString& name) const
{
    if (ReportLabel* found = findLabel(name))
        return *found;
    throw AppError(QStringLiteral("A nyomtatványon nincs \"%1\" nevű címke").arg(name));
}

} // namespace pelmar::reports
