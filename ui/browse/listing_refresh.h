#ifndef LISTING_REFRESH_H
#define LISTING_REFRESH_H

#include <QStringList>

// The folder's listing as stepping sees it, and the place in it.
struct Listing {
    QStringList files;
    int index = -1;
};

// The listing after the folder changed: fresh is what the folder holds now, sorted as it was
// listed. The name the index was on keeps its place even when the file has gone, so that the
// next step from the picture still on screen goes to its neighbours, not to the listing's start.
Listing refreshedListing(const QStringList &files, int index, const QStringList &fresh);

#endif // LISTING_REFRESH_H
