// The user's own proxy values of the default connection, kept while a host sets a proxy of its
// own. They are saved in a key of the program's own before the first such proxy is set, so that
// they can be put back even after the program was killed: the next start does it.
#pragma once

namespace host {

// Saves the user's values (unless a running instance saved them already) and counts this
// process among the holders. Call before setting a proxy. False when the values could not be
// saved: the proxy must not be set then.
bool HoldUserProxy();

// This process's last holder is gone: it leaves the holders, and when no running instance still
// holds, the saved values are written back and forgotten.
void ReleaseUserProxy();

// Once per process, before the first proxy is set: saved values whose every holder has ended
// (a killed or crashed instance) are written back and forgotten.
void RecoverUserProxy();

} // namespace host
