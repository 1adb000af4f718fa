#pragma once

namespace levy {

// Installs the real message and input boxes, and makes an intercepted EndProgram close
// every window as the end of the process would.
void InstallQtMessageBackend();

} // namespace levy
