// Internal: makes QSettings forget the files that no QSettings object uses any more.
#pragma once

namespace Gui {
namespace Wisp {
namespace detail {

// QSettings keeps the files that its objects closed, with everything it read
// and every change it could not write, and hands them to the next object
// opened on the same path: a value whose write failed would be served again,
// and a change made on disk within the same millisecond and at the same size
// would never be read. After this call the next object reads the file afresh.
// (A file that a live QSettings object still holds is shared with it and
// cannot be forgotten.)
void forgetClosedSettingsFiles();

} // namespace detail
} // namespace Wisp
} // namespace Gui
