#include "tools/kovrin-cli/CliGlobals.h"

#include "engine/AmountInput.h"
#include "engine/Protocol.h"
#include "engine/ServiceAddress.h"

namespace {

// Why a --service value was refused; nullptr when it was not.
const char* ServiceBaseFaultText(TServiceBaseFault Fault) {
    switch (Fault) {
    case TServiceBaseFault::None:
        return nullptr;
    case TServiceBaseFault::Missing:
        return "no address";
    case TServiceBaseFault::Scheme:
        return "the address must begin with http:// or https://";
    case TServiceBaseFault::Trailing:
        return "nothing may follow the host and port (no path, user or query)";
    case TServiceBaseFault::Host:
        return "not a host name or IP address";
    case TServiceBaseFault::Port:
        return "the port must be a number from 1 to 65535";
    }
    return nullptr;
}

} // namespace

bool IsGlobalOption(std::string_view Arg) {
    for (const std::string_view name : {"--service", "--feeds", "--cacert"})
        if (Arg == name ||
            (Arg.size() > name.size() && Arg.substr(0, name.size()) == name && Arg[name.size()] == '='))
            return true;
    return false;
}

bool TakeGlobalOption(TArgReader& Args, TFeedSource& Source) {
    if (Args.IsOption("--service")) {
        const std::string typed = Args.Value();
        // The base is joined with "/callback": a trailing slash would double it.
        std::string url = NormalizeServiceBase(typed);
        if (url.empty())
            throw EUsage("--service needs a URL");
        // The window's check of the settings tab's address, so that both reach the same services.
        if (const char* reason = ServiceBaseFaultText(ServiceBaseFault(url)))
            throw EUsage("--service \"" + typed + "\": " + reason);
        Source.ServiceBase = std::move(url);
        return true;
    }
    if (Args.IsOption("--cacert")) {
        std::string file = Args.Value();
        if (file.empty())
            throw EUsage("--cacert needs a file");
        Source.CaFile = std::move(file);
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
    return TFeedSource{ServiceBase, std::nullopt, {}};
}

std::string FeedExitCodesHelp(std::string_view Failed, bool ForOffers) {
    const std::string budget = std::to_string(kFeedTableBudget >> 20);
    std::string text = "exit codes:\n"
                       "  0  done\n"
                       "  1  " +
                       std::string(Failed) +
                       "a feed file that cannot be read, or output that cannot be written\n"
                       "  2  a bad command line\n"
                       "  3  a feed failed: the service could not be reached or did not answer 200, ";
    if (ForOffers)
        return text + "the feed's table\n     would pass " + budget +
               " MiB, or the rates, names or exchangers feed held no records (the line on\n"
               "     stderr says why)\n";
    return text + "or the feed's\n     table would pass " + budget + " MiB (the line on stderr says why)\n";
}

std::pair<std::string, std::string> CurrencyPair(const std::vector<std::string>& Words) {
    if (Words.size() != 2)
        throw EUsage("two currencies are needed, GIVE and GET; got " + std::to_string(Words.size()));
    return {Words[0], Words[1]};
}

std::string AmountOptionValue(TArgReader& Args, std::string_view Option) {
    std::string text = Args.Value();
    if (!IsAmountText(text))
        throw EUsage(std::string(Option) + " wants 1 to 10 digits with at most one \",\" or \".\", got \"" +
                     text + "\"");
    return text;
}
