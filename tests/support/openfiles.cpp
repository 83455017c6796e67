#include "support/openfiles.h"

#include <dirent.h>
#include <unistd.h>

bool hasFileOpenUnder(qint64 pid, const QByteArray &folder)
{
    const QByteArray fds = "/proc/" + QByteArray::number(pid) + "/fd/";
    DIR *listing = ::opendir(fds.constData());
    bool found = false;
    while (const dirent *entry = listing ? ::readdir(listing) : nullptr) {
        char target[4096] = {};
        if (::readlink((fds + entry->d_name).constData(), target, sizeof target - 1) > 0)
            found = found || QByteArray(target).startsWith(folder + '/');
    }
    if (listing)
        ::closedir(listing);
    return found;
}
