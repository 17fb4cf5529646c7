// Points the still-image clip cache at a private folder for the whole run,
// so tests never write into the user's cache folder.
#include "media/ImageClipRenderer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ClipFolderEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        folder_ = std::make_unique<QTemporaryDir>();
        tessarin::ImageClipRenderer::setCacheFolder(folder_->path() + "/ImageClips");
    }
    void TearDown() override { folder_.reset(); }

private:
    std::unique_ptr<QTemporaryDir> folder_;
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new ClipFolderEnvironment);

} // namespace
