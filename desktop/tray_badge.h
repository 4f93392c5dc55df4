// The count of unread messages painted over an icon: a red disc in the top right corner with
// the number in white ("99+" above 99), at every size the notification area may ask for.
#pragma once

#include <QIcon>

namespace zep {

QIcon BadgedIcon(const QIcon& base, int count);

} // namespace zep
