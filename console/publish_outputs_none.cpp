#include "console/publish_outputs.h"

namespace console {
namespace {

// This build has no network outputs: a [Publish] section is said to be
// ignored rather than ignored silently.
class NoOutputs final : public PublishOutputs {
public:
    void publish(Console&, runtime::DateTime) override {}
    QString problem() const override {
        return QStringLiteral("This build has no network outputs: the [Publish] section is ignored.");
    }
};

}  // namespace

std::shared_ptr<PublishOutputs> PublishOutputs::create(const PublishSection& section) {
    if (!section.present()) return nullptr;
    return std::make_shared<NoOutputs>();
}

}  // namespace console
