#pragma once

#include "widgets/control_id.h"

// The controls of the progress window (CProgressDlg).
namespace progress_dlg_ids {

inline constexpr ControlId kDialog{"progressDialog"};
inline constexpr ControlId kMessageLabel{"progressMessageLabel"};
inline constexpr ControlId kBar{"progressBar", "進行状況"};
inline constexpr ControlId kCountLabel{"progressCountLabel"};  // "n / N" and the time left
inline constexpr ControlId kStopButton{"progressStopButton"};

}  // namespace progress_dlg_ids
