#include "ui/FeedKeeper.h"

#include "engine/FeedCache.h"
#include "globals/Globals.h"

#include <QtGlobal>

#include <exception>
#include <memory>
#include <vector>

namespace {

struct TKeepJob {
    std::filesystem::path Folder;
    std::vector<TFormMain::TFeedToKeep> Feeds;

    void Write() const {
        for (const TFormMain::TFeedToKeep& feed : Feeds) {
            if (!KeepFeed(Folder, feed.Feed, *feed.Body, feed.ReceivedAt)) {
                qWarning("Kovrin: feed %s not kept in %s", feed.Feed.c_str(), Folder.c_str());
            }
        }
    }
};

} // namespace

TFormMain::TFeedKeeper BackgroundFeedKeeper(std::filesystem::path Folder) {
    return [Folder = std::move(Folder)](std::vector<TFormMain::TFeedToKeep> Feeds) {
        auto job = std::make_shared<TKeepJob>(TKeepJob{Folder, std::move(Feeds)});
        if (JobControl) {
            try {
                // The job owns its record; the completion has nothing to do on the window's side.
                JobControl->AddJob([job] { job->Write(); }, [job] {});
                return;
            } catch (const std::exception& error) {
                qWarning("Kovrin: %s; the feeds are kept at once", error.what());
            }
        }
        job->Write();
    };
}
