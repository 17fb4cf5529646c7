#include "media/ShowRevision.h"

namespace tessarin::ShowRevision {
namespace {

std::uint64_t count = 0;

} // namespace

std::uint64_t current()
{
    return count;
}

void advance()
{
    ++count;
}

} // namespace tessarin::ShowRevision
