#pragma once
// The console's read-outs on the network, once per recording tick, as the
// recorder publishes its rows: one meter, named after the selected port.
#include <memory>

#include <QString>

#include "console/console.h"
#include "console/publish_section.h"
#include "runtime/date_time.h"

namespace console {

class PublishOutputs {
public:
    // Nothing (no thread, no socket) without a [Publish] section. With one,
    // the outputs, possibly broken: `problem()` then says why.
    static std::shared_ptr<PublishOutputs> create(const PublishSection& section);
    virtual ~PublishOutputs() = default;

    // The read-outs as the recording tick leaves them, at the tick's time.
    virtual void publish(Console& console, runtime::DateTime now) = 0;
    // For the record box's tooltip: what is wrong with the section, or empty.
    virtual QString problem() const = 0;
};

}  // namespace console
