#include "tools/kovrin-cli/CliGlobals.h"

#include "engine/Protocol.h"

bool IsGlobalOption(std::string_view Arg) {
    for (const std::string_view name : {"--service", "--feeds"})
        if (Arg == name ||
            (Arg.size() > name.size() && Arg.substr(0, name.size()) == name && Arg[name.size()] == '='))
            return true;
    return false;
}

bool TakeGlobalOption(TArgReader& Args, TFeedSource& Source) {
    if (Args.IsOption("--service")) {
        std::string url = Args.Value();
        // The base is joined with "/callback": a trailing slash would double it.
        while (!url.empty() && url.back() == '/')
            url.pop_back();
        if (url.empty())
            throw EUsage("--service needs a URL");
        Source.ServiceBase = std::move(url);
        return true;
    }
    if (Args.IsOption("--feeds")) {
        std::string dir = Args.Value();
        if (dir.empty())
            throw EUsage("--feeds needs a folder");
        Source.FeedsDir = std::move(dir);
        return true;
    }
    return false;
}

TFeedSource DefaultFeedSource() {
    return TFeedSource{ServiceBase, std::nullopt};
}
