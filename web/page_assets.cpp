#include "web/page_assets.h"

namespace web {

const PageAsset* findAsset(std::string_view path) {
    for (const PageAsset& asset : pageAssets()) {
        if (asset.path == path) return &asset;
    }
    return nullptr;
}

}  // namespace web
