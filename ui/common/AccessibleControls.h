#pragma once

#include <QComboBox>
#include <QLabel>

namespace pelmar {

// A drop-down list whose name, for a screen reader, is its own (its
// accessible name, else the text of the label whose buddy it is), never the
// entry it shows: Qt names a combo box after its current text on Linux, so
// "Méret" would be read as "9x13". The entry stays its value.
class NamedComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit NamedComboBox(QWidget* parent = nullptr);
};

// A picture that opens something when clicked (the logo): a link for a
// screen reader, with its accessible name and a press action that does what
// the click does.
class LinkPicture : public QLabel
{
    Q_OBJECT
public:
    explicit LinkPicture(QWidget* parent = nullptr);

signals:
    // A left click released over the picture, or the press action.
    void activated();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace pelmar
