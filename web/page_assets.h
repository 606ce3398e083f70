#pragma once
// The page's files (HTML, CSS, JavaScript, uPlot), embedded at build time by
// web/embed_files.cmake, each as it is and gzip-compressed.
#include <string_view>
#include <vector>

namespace web {

struct PageAsset {
    std::string_view path;         // the URL path it is served at: "/", "/app.js"
    std::string_view contentType;
    std::string_view plain;
    std::string_view gzipped;
};

const std::vector<PageAsset>& pageAssets();
// The asset served at `path`, or null.
const PageAsset* findAsset(std::string_view path);

}  // namespace web
