#ifndef POSITION_FIELD_H
#define POSITION_FIELD_H

#include <QObject>

class QLabel;
class ViewerDocument;
struct ToolContext;

// The shown file's place in its folder's listing, at the right of the status bar: "3 / 56",
// "– / 56" for a file the listing leaves out, nothing while no file is shown.
class PositionField : public QObject
{
    Q_OBJECT

public:
    explicit PositionField(const ToolContext &tools);

    QLabel *label() const { return label_; }
    // The text for the document as it stands.
    static QString text(const ViewerDocument &document);

private:
    void update();

    ViewerDocument *const document_;
    QLabel *label_;
};

#endif // POSITION_FIELD_H
