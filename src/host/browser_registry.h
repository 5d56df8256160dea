// Browser settings of the current user that a host changes while it lives: the user-agent
// token, the proxy of the default connection and the navigation click sound. These are shared
// with every other program of the user; each routine puts back or removes only what it names.
#pragma once

#include <string>

namespace host {

// "14.52" written with the user's decimal separator.
std::wstring BrowserVersionText();
// The host's own user-agent text: "EmbeddedBrowser " + version + " from: " + support address.
std::wstring DefaultUserAgent();
// The support address of the host component.
const wchar_t* SupportAddress();

// Writes an empty string value named by userAgent under the user's "Post Platform" key. A text
// other than DefaultUserAgent() is first extended by " EmbeddedBrowser " + version; the caller
// keeps the extended text so that UnregisterUserAgent removes the same name.
void RegisterUserAgent(std::wstring& userAgent);
// Deletes the value named userAgent (the key is not created when missing).
void UnregisterUserAgent(const std::wstring& userAgent);

// Sets the default connection's proxy options through WinINet: flags direct + proxy, the
// proxy text ("host:port" or empty) and the bypass list "local"; then asks WinINet to reload.
// Failures are ignored.
void ApplyProxy(const std::wstring& proxy);

// true parks the navigation sound ".Current" as "Old_Current"; false puts it back. A rename
// never overwrites an existing key and does nothing when the old key is missing.
void SetNavigationSound(bool silence);

} // namespace host
