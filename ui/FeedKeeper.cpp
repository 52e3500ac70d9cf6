#include "ui/FeedKeeper.h"

#include "engine/FeedCache.h"
#include "globals/Globals.h"

#include <QtGlobal>

#include <ctime>
#include <exception>
#include <memory>

namespace {

struct TKeepJob {
    std::filesystem::path Folder;
    std::string Feed;
    std::shared_ptr<const std::string> Body;
    std::int64_t At = 0;

    void Write() const {
        if (!KeepFeed(Folder, Feed, *Body, At)) {
            qWarning("Kovrin: feed %s not kept in %s", Feed.c_str(), Folder.c_str());
        }
    }
};

} // namespace

TFormMain::TFeedKeeper BackgroundFeedKeeper(std::filesystem::path Folder) {
    return [Folder = std::move(Folder)](std::string_view Feed, std::shared_ptr<const std::string> Body) {
        auto job = std::make_shared<TKeepJob>(
            TKeepJob{Folder, std::string(Feed), std::move(Body), std::time(nullptr)});
        if (JobControl) {
            try {
                // The job owns its record; the completion has nothing to do on the window's side.
                JobControl->AddJob([job] { job->Write(); }, [job] {});
                return;
            } catch (const std::exception& error) {
                qWarning("Kovrin: %s; the feed is kept at once", error.what());
            }
        }
        job->Write();
    };
}
