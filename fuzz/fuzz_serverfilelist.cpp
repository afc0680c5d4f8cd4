// Feeds arbitrary bytes to the rule that reads file names out of the content server's
// listing, as if they were the body of its answer.
#include "serverfilelist.h"

#include <QByteArray>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // A copy, like the body a network reply hands over, rather than borrowed raw data.
    const QByteArray body(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::optional<QStringList> names = serverFileListFromJson(body);
    if (!names)
        return 0;

    // Order never counts as a change, so whatever names a body yields equal themselves
    // reversed.
    const QStringList reversed(names->crbegin(), names->crend());
    if (compareServerFileLists(*names, reversed).changed())
        std::abort();
    return 0;
}
