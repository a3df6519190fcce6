#include "listing_refresh.h"

#include <algorithm>

Listing refreshedListing(const QStringList &files, int index, const QStringList &fresh)
{
    Listing listing{fresh, -1};
    if (index < 0 || index >= files.size())
        return listing;
    const QString &current = files.at(index);
    listing.index = int(fresh.indexOf(current));
    if (listing.index >= 0)
        return listing;
    // Gone from the folder: back in at its place, the listing being sorted as QDir sorts by
    // name without flags, code unit by code unit.
    const auto at = std::lower_bound(fresh.cbegin(), fresh.cend(), current,
                                     [](const QString &a, const QString &b) {
                                         return QString::compare(a, b, Qt::CaseSensitive) < 0;
                                     });
    listing.index = int(at - fresh.cbegin());
    listing.files.insert(listing.index, current);
    return listing;
}
