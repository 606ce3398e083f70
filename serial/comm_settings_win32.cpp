#include "serial/comm_settings_win32.h"

#include <optional>

namespace serial::win32 {

std::string systemMessage(DWORD error) {
    wchar_t* wide = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<wchar_t*>(&wide), 0, nullptr);
    std::string text;
    if (length > 0 && wide != nullptr) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<std::size_t>(bytes));
        WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), text.data(), bytes, nullptr, nullptr);
    }
    if (wide != nullptr) LocalFree(wide);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty()) text = "system error " + std::to_string(error);
    return text;
}

PortError osError(DWORD error) {
    PortErrorKind kind = PortErrorKind::DeviceError;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) kind = PortErrorKind::NotFound;
    // A COM port held by another program refuses with "access denied".
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) kind = PortErrorKind::Busy;
    return {kind, systemMessage(error)};
}

namespace {

void applyLineRules(DCB& dcb, const PortSettings& s) {
    dcb.fRtsControl = s.rtsControl == kLineOff ? RTS_CONTROL_DISABLE : RTS_CONTROL_ENABLE;
    if (s.dtrControl == kLineOff) dcb.fDtrControl = DTR_CONTROL_DISABLE;
    if (s.dtrControl == kLineOn) dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
}

// Applied after the line rules, which it overrides.
void applyFlowControl(DCB& dcb, const PortSettings& s) {
    const bool hardware = s.flowControl >= kFlowRtsCts && s.flowControl <= kFlowDtrDsr;
    dcb.fOutxCtsFlow = s.flowControl == kFlowRtsCts || s.flowControl == kFlowDtrCts;
    dcb.fOutxDsrFlow = s.flowControl == kFlowRtsDsr || s.flowControl == kFlowDtrDsr;
    if (s.flowControl == kFlowRtsCts || s.flowControl == kFlowRtsDsr) dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    if (s.flowControl == kFlowDtrCts || s.flowControl == kFlowDtrDsr) dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    if (hardware) {
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
    }
    if (s.flowControl == kFlowXonXoff) {
        dcb.fOutX = TRUE;
        dcb.fInX = TRUE;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        dcb.XonLim = 100;
        dcb.XoffLim = 100;
    }
}

}  // namespace

void applySettings(DCB& dcb, const PortSettings& s) {
    dcb.BaudRate = static_cast<DWORD>(s.baudRate);
    dcb.ByteSize = s.byteSize();
    dcb.Parity = (s.parity >= kParityOdd && s.parity <= kParitySpace) ? static_cast<BYTE>(s.parity) : NOPARITY;
    dcb.StopBits = s.stopBits == kOneAndHalfStopBits ? ONE5STOPBITS
                   : s.stopBits == kTwoStopBits      ? TWOSTOPBITS
                                                     : ONESTOPBIT;
    dcb.fParity = s.parityChecking() ? TRUE : FALSE;
    dcb.fBinary = TRUE;
    if (std::optional<std::uint8_t> c = s.eventCharacter()) dcb.EvtChar = static_cast<char>(*c);
    applyLineRules(dcb, s);
    applyFlowControl(dcb, s);
}

}  // namespace serial::win32
