#include "tools/demo-service/DemoNews.h"

#include "tools/demo-service/DemoRandom.h"

#include <array>
#include <string_view>
#include <vector>

namespace {

constexpr std::array<std::string_view, 12> kMonths = {"января",   "февраля", "марта",  "апреля",
                                                      "мая",      "июня",    "июля",   "августа",
                                                      "сентября", "октября", "ноября", "декабря"};

// Every link form the news view knows appears at least once: http, https, www., ftp, telnet, news, mailto and
// a bare address.
constexpr std::array<std::string_view, 5> kItems = {
    "Курсы теперь обновляются каждую минуту. Подробности в блоге: https://blog.example.com/kovrin/updates "
    "и на зеркале http://mirror.example.net/news.html.",
    "Архив курсов за прошлый месяц выложен на ftp://ftp.example.org/pub/rates/archive.csv, "
    "а обсуждение идёт в группе news:comp.example.rates.",
    "Служба поддержки отвечает круглосуточно: пишите на support@example.com или через форму "
    "mailto:help@example.org?subject=Kovrin.",
    "Новый раздел с отзывами об обменниках: www.example.com/reviews (проверяйте резерв перед обменом!).",
    "Для администраторов доступен тестовый терминал telnet://status.example.net:2323 и страница "
    "состояния http://status.example.net/.",
};

} // namespace

std::string DemoNewsBody(std::uint64_t Seed, std::size_t ExchangerCount, std::size_t CurrencyCount) {
    TDemoRandom random(Seed ^ 0x6E657773ull);
    std::vector<std::string_view> items(kItems.begin(), kItems.end());
    random.Shuffle(items);

    const auto month = kMonths[random.Below(kMonths.size())];
    std::size_t day = 1 + random.Below(20);
    // Leading and trailing blank lines are part of the demo: the client trims them.
    std::string body = "\r\n\n  Новости сервиса\n\n";
    body += std::to_string(day) + " " + std::string(month) +
            ". В каталоге обменников: " + std::to_string(ExchangerCount) +
            ", валют: " + std::to_string(CurrencyCount) + ".\n\n";
    for (const auto item : items) {
        day += 1 + random.Below(3);
        body += std::to_string(day) + " " + std::string(month) + ". " + std::string(item) + "\n\n";
    }
    body += "  \n\t\n";
    return body;
}
