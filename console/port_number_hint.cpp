#include "console/port_number_hint.h"

#include <QCoreApplication>
#include <QStringList>

#include "console/control_ids.h"

namespace console {
namespace {

struct PortNumberBox {
    Q_DECLARE_TR_FUNCTIONS(PortNumberBox)
};

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

// "FTDI FT232R USB UART (0403:6001), serial number A50285BI"; the by-id name
// stands in when the system has no USB description.
QString adapterText(const serial::AdapterInfo& adapter) {
    QStringList parts;
    const QString name = (fromUtf8(adapter.manufacturer) + QLatin1Char(' ') + fromUtf8(adapter.product)).trimmed();
    QString identity = name;
    if (!adapter.vendorId.empty() && !adapter.productId.empty()) {
        const QString ids = fromUtf8(adapter.vendorId) + QLatin1Char(':') + fromUtf8(adapter.productId);
        identity = name.isEmpty() ? ids : name + QStringLiteral(" (") + ids + QLatin1Char(')');
    }
    if (!identity.isEmpty()) parts << identity;
    if (!adapter.serialNumber.empty()) parts << PortNumberBox::tr("serial number %1").arg(fromUtf8(adapter.serialNumber));
    if (parts.isEmpty() && !adapter.byIdName.empty()) parts << fromUtf8(adapter.byIdName);
    return parts.join(QStringLiteral(", "));
}

QString hintLine(const serial::PortHint& hint) {
    QString line = QStringLiteral("COM%1: ").arg(hint.portNumber) + fromUtf8(hint.device);
    if (!hint.target.empty() && hint.target != hint.device) line += QStringLiteral(" → ") + fromUtf8(hint.target);
    const QString adapter = adapterText(hint.adapter);
    if (!adapter.isEmpty()) line += QStringLiteral(" — ") + adapter;
    return line;
}

}  // namespace

QString portNumberHint(const std::vector<serial::PortHint>& hints) {
    if (hints.empty()) {
        return PortNumberBox::tr("No port number leads to a device now. Plug the meter's adapter in, then open "
                                 "this list again.");
    }
    QStringList lines{PortNumberBox::tr("Port numbers that lead to a device now:")};
    for (const serial::PortHint& hint : hints) lines << hintLine(hint);
    return lines.join(QLatin1Char('\n'));
}

void refreshPortNumberHint(Console& console) {
    console.form.setToolTip(kPortNumberCombo, portNumberHint(serial::currentPortHints(kPortNumberCount)));
}

}  // namespace console
