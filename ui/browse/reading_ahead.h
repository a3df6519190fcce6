#ifndef READING_AHEAD_H
#define READING_AHEAD_H

#include "neighbour_prefetch.h"
#include "viewer_document.h"

#include <QObject>

#include <memory>
#include <optional>

class QTimer;

// The files next to the one on screen read ahead, so that a step onto one only has to finish
// its picture: the document's source of pictures.
class ReadingAhead : public QObject, public PictureSource
{
    Q_OBJECT

public:
    explicit ReadingAhead(ViewerDocument *document);
    ~ReadingAhead() override;

    // The picture made ahead for path under the document's rules when there is one still good,
    // else a load of its own.
    LoadOutcome load(const QString &path, std::optional<int> cutoff) override;

    // Told what reading ahead does; null for none. The observer must outlive the reading.
    void setObserver(ReadingAheadObserver *observer);

private:
    PrefetchRules rulesFor(std::optional<int> cutoff) const;
    void scheduled(QTimer *timer);
    // Reads ahead the files on either side of the one loaded last, the one a step in the same
    // direction reaches first.
    void prefetchNeighbours();

    friend class ReadingAheadProbe;

    ViewerDocument *const document_;
    std::unique_ptr<NeighbourPrefetch> prefetch_;
    ReadingAheadObserver *observer_ = nullptr;
    // Reads the neighbours again for rules changed since, once the changes pause.
    QTimer *rulesSettle_ = nullptr;
    QTimer *afterLoad_ = nullptr;
};

#endif // READING_AHEAD_H
