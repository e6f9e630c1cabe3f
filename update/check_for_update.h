#pragma once
// Opening a document or web address with the shell.

namespace zel::update {

// ShellExecuteA(no owner, "open", text, no parameters, no directory, SW_SHOWNORMAL).
void OpenWithShell(const char* text);

} // namespace zel::update
