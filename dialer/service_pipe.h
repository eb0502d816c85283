// Requests to the privileged helper service, one transaction each over "\\.\pipe\zeltavpn", as
// CallNamedPipe would make it, except that the pipe is opened at identification level and used only
// when the system account or the Administrators group owns it: whoever created the name while the
// service was away gets nothing from the dialer, the system account's identity least of all. The
// first byte of a request is its kind.
#pragma once

#include "common/dialer_settings.h"
#include "common/shared_names.h"

namespace zelta {

// Request 1, at a start under an ordinary account: the service does the start-up work. Fire and forget.
void NotifyServiceUserStart(NamedPipe& pipes, Log& log);

// What StartIpsecViaService returns when setupIp is no dotted quad the policy and the service would
// both read alike: nothing was sent. Outside a reply byte's range.
inline constexpr int kServerAddressUnusable = -1000;

// Request 2: resolves "DNS" into setupIp when it names a host, then hands setupIp to the service,
// which stops other vendors' VPN services and starts IPsec. Returns the reply's first byte as a
// signed number (0 for an empty reply), -1 when the call failed, or kServerAddressUnusable.
// Negative means "do not go on".
int StartIpsecViaService(DialerSettings& settings);

// Request 4, on disconnect. Fire and forget.
void NotifyServiceDisconnect(NamedPipe& pipes, Log& log);

}  // namespace zelta
