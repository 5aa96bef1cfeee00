#pragma once

#include "core/form_state.h"
#include "core/posix_file.h"
#include "services/monitor_log.h"

#include <functional>
#include <string>

namespace tervolen {

// Copies the run's archive, read through its open descriptor, into every folder of MirrorListView, creating
// missing folders and never overwriting a file there; then hands on to the e-mail step when ChkBoxBkpMail is
// ticked. A copy that fails is reported as a red Monitor line and the others go on.
void CopyToMirrors(const FormState& form, MonitorLog& monitor, const OpenedFile& archive,
                   const std::function<void()>& sendBackupByMail);

} // namespace tervolen
