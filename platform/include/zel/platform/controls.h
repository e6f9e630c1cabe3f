#pragma once
// Dialog controls the logic drives by their identifiers: list views in report view,
// progress bars, check boxes, the enabled and shown state and the text of any control,
// and help requests.

#include <zel/platform/dialog.h>

#include <cstdint>

namespace zel::platform {

inline constexpr std::uint32_t kWmHelp = 0x0053;
inline constexpr int kVkF1 = 0x70;
inline constexpr std::uint32_t kBnClicked = 0;

// Progress bar messages, sent with sendDlgItemMessage.
inline constexpr std::uint32_t kPbmSetRange = 0x0401; // lParam: low word lower, high word upper bound
inline constexpr std::uint32_t kPbmSetPos = 0x0402;
inline constexpr std::uint32_t kPbmDeltaPos = 0x0403;
inline constexpr std::uint32_t kPbmSetStep = 0x0404;
inline constexpr std::uint32_t kPbmStepIt = 0x0405;
inline constexpr std::uint32_t kPbmSetBarColor = 0x0409;
inline constexpr std::uint32_t kPbmSetBkColor = 0x2001;

inline constexpr int kLvcfmtCenter = 0x0002;
inline constexpr std::uint32_t kLvsExFullRowSelect = 0x00000020;

// LVM_DELETECOLUMN: false once there is no such column.
ZEL_SYSTEM_API bool listViewDeleteColumn(Window dialog, int controlId, int column);
// LVM_DELETEALLITEMS; the list forgets its selection mark with its rows.
ZEL_SYSTEM_API bool listViewDeleteAllItems(Window dialog, int controlId);
// Adds bits to the extended list-view style, keeping the others.
ZEL_SYSTEM_API void listViewAddExtendedStyle(Window dialog, int controlId, std::uint32_t bits);
// LVM_INSERTCOLUMNA with heading, format and width (pixels): the new column's index or -1.
ZEL_SYSTEM_API int listViewInsertColumn(Window dialog, int controlId, int column, const char* heading, int format,
                                        int width);
// LVM_INSERTITEMA with the first column's text: the new row's index or -1.
ZEL_SYSTEM_API int listViewInsertItem(Window dialog, int controlId, int row, const char* text);
// LVM_SETITEMTEXTA for a later column.
ZEL_SYSTEM_API bool listViewSetItemText(Window dialog, int controlId, int row, int column, const char* text);
// Marks the row selected and focused (LVIS_SELECTED | LVIS_FOCUSED). This does not move
// the selection mark, which only the user's own selection or the call below sets.
ZEL_SYSTEM_API bool listViewSelectAndFocus(Window dialog, int controlId, int row);
// LVM_SETSELECTIONMARK.
ZEL_SYSTEM_API void listViewSetSelectionMark(Window dialog, int controlId, int row);
// LVM_GETSELECTIONMARK: the row the user last selected, -1 for none.
ZEL_SYSTEM_API int listViewSelectionMark(Window dialog, int controlId);

// BM_GETCHECK == BST_CHECKED, and BM_SETCHECK.
ZEL_SYSTEM_API bool isButtonChecked(Window dialog, int controlId);
ZEL_SYSTEM_API void setButtonChecked(Window dialog, int controlId, bool checked);

// EnableWindow on the control.
ZEL_SYSTEM_API void enableDlgItem(Window dialog, int controlId, bool enable);
// ShowWindow with SW_SHOW or SW_HIDE on the control.
ZEL_SYSTEM_API void showDlgItem(Window dialog, int controlId, bool show);
// GetDlgItemTextA: the number of characters copied (`size` counts the terminator).
ZEL_SYSTEM_API int getDlgItemText(Window dialog, int controlId, char* buffer, int size);

// SendDlgItemMessageA, for messages that carry no pointer (the progress bar's).
ZEL_SYSTEM_API std::intptr_t sendDlgItemMessage(Window dialog, int controlId, std::uint32_t message,
                                                std::uintptr_t wParam, std::intptr_t lParam);

// GetModuleFileNameA of the process's main module into `buffer`: the length copied.
ZEL_SYSTEM_API std::uint32_t programFileName(char* buffer, std::uint32_t size);

} // namespace zel::platform
