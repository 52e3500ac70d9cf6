#include "tools/demo-service/DemoCatalog.h"

#include <array>

namespace {

// Values are rough market levels; only their ratios matter for plausible quotes.
constexpr double kRub = 0.0109;
constexpr double kUah = 0.0270;
constexpr double kKzt = 0.0021;
constexpr double kEur = 1.08;

constexpr std::array kCurrencies = {
    TDemoCurrency{"wmz", "WebMoney WMZ", "USD", 1.0},
    TDemoCurrency{"wmr", "WebMoney WMR", "RUB", kRub},
    TDemoCurrency{"wme", "WebMoney WME", "EUR", kEur},
    TDemoCurrency{"yandex rub", "Яндекс.Деньги RUB", "RUB", kRub},
    TDemoCurrency{"qiwi rub", "QIWI RUB", "RUB", kRub},
    TDemoCurrency{"qiwi usd", "QIWI USD", "USD", 1.0},
    TDemoCurrency{"qiwi kzt", "QIWI KZT", "KZT", kKzt},
    TDemoCurrency{"sberbank rub", "Сбербанк RUB", "RUB", kRub},
    TDemoCurrency{"tinkoff rub", "Тинькофф RUB", "RUB", kRub},
    TDemoCurrency{"alfabank rub", "Альфа-Банк RUB", "RUB", kRub},
    TDemoCurrency{"vtb rub", "ВТБ RUB", "RUB", kRub},
    TDemoCurrency{"raiffeisen rub", "Райффайзенбанк RUB", "RUB", kRub},
    TDemoCurrency{"gazprombank rub", "Газпромбанк RUB", "RUB", kRub},
    TDemoCurrency{"pochtabank rub", "Почта Банк RUB", "RUB", kRub},
    TDemoCurrency{"rosbank rub", "Росбанк RUB", "RUB", kRub},
    TDemoCurrency{"mir rub", "Карта МИР RUB", "RUB", kRub},
    TDemoCurrency{"sbp rub", "СБП RUB", "RUB", kRub},
    TDemoCurrency{"visa rub", "Visa/MasterCard RUB", "RUB", kRub},
    TDemoCurrency{"visa usd", "Visa/MasterCard USD", "USD", 1.0},
    TDemoCurrency{"visa uah", "Visa/MasterCard UAH", "UAH", kUah},
    TDemoCurrency{"privat24 uah", "Приват24 UAH", "UAH", kUah},
    TDemoCurrency{"monobank uah", "Монобанк UAH", "UAH", kUah},
    TDemoCurrency{"kaspi kzt", "Kaspi Bank KZT", "KZT", kKzt},
    TDemoCurrency{"halyk kzt", "Halyk Bank KZT", "KZT", kKzt},
    TDemoCurrency{"cash rub", "Наличные RUB", "RUB", kRub},
    TDemoCurrency{"cash usd", "Наличные USD", "USD", 1.0},
    TDemoCurrency{"cash eur", "Наличные EUR", "EUR", kEur},
    TDemoCurrency{"perfect money usd", "Perfect Money USD", "USD", 1.0},
    TDemoCurrency{"perfect money eur", "Perfect Money EUR", "EUR", kEur},
    TDemoCurrency{"payeer usd", "Payeer USD", "USD", 1.0},
    TDemoCurrency{"payeer rub", "Payeer RUB", "RUB", kRub},
    TDemoCurrency{"advcash usd", "AdvCash USD", "USD", 1.0},
    TDemoCurrency{"advcash rub", "AdvCash RUB", "RUB", kRub},
    TDemoCurrency{"skrill usd", "Skrill USD", "USD", 1.0},
    TDemoCurrency{"paypal usd", "PayPal USD", "USD", 1.0},
    TDemoCurrency{"wise eur", "Wise EUR", "EUR", kEur},
    TDemoCurrency{"sepa eur", "SEPA EUR", "EUR", kEur},
    TDemoCurrency{"swift usd", "SWIFT USD", "USD", 1.0},
    TDemoCurrency{"exmo rub", "EXMO RUB", "RUB", kRub},
    TDemoCurrency{"exmo usd", "EXMO USD", "USD", 1.0},
    TDemoCurrency{"btc", "Bitcoin BTC", "BTC", 43000.0},
    TDemoCurrency{"BTC LN", "Bitcoin Lightning BTC", "BTC", 43000.0},
    TDemoCurrency{"btc.bep20", "Bitcoin BEP20 BTCB", "BTC", 43000.0},
    TDemoCurrency{"eth", "Ethereum ETH", "ETH", 2300.0},
    TDemoCurrency{"eth.arb", "Ethereum Arbitrum ETH", "ETH", 2300.0},
    TDemoCurrency{"ltc", "Litecoin LTC", "LTC", 72.0},
    TDemoCurrency{"bch", "Bitcoin Cash BCH", "BCH", 230.0},
    TDemoCurrency{"etc", "Ethereum Classic ETC", "ETC", 20.0},
    TDemoCurrency{"xrp", "Ripple XRP", "XRP", 0.6},
    TDemoCurrency{"doge", "Dogecoin DOGE", "DOGE", 0.09},
    TDemoCurrency{"dash", "Dash DASH", "DASH", 30.0},
    TDemoCurrency{"zec", "Zcash ZEC", "ZEC", 25.0},
    TDemoCurrency{"xmr", "Monero XMR", "XMR", 160.0},
    TDemoCurrency{"trx", "Tron TRX", "TRX", 0.1},
    TDemoCurrency{"ton", "Toncoin TON", "TON", 2.3},
    TDemoCurrency{"sol", "Solana SOL", "SOL", 70.0},
    TDemoCurrency{"ada", "Cardano ADA", "ADA", 0.5},
    TDemoCurrency{"dot", "Polkadot DOT", "DOT", 7.0},
    TDemoCurrency{"matic", "Polygon MATIC", "MATIC", 0.85},
    TDemoCurrency{"bnb bep20", "BNB BEP20", "BNB", 300.0},
    TDemoCurrency{"usdt trc20", "Tether TRC20 USDT", "USDT", 1.0},
    TDemoCurrency{"usdt erc20", "Tether ERC20 USDT", "USDT", 1.0},
    TDemoCurrency{"usdt bep20", "Tether BEP20 USDT", "USDT", 1.0},
    TDemoCurrency{"usdt.ton", "Tether TON USDT", "USDT", 1.0},
    TDemoCurrency{"usdt-sol", "Tether Solana USDT", "USDT", 1.0},
    TDemoCurrency{"usdc erc20", "USD Coin ERC20 USDC", "USDC", 1.0},
    TDemoCurrency{"dai", "DAI", "DAI", 1.0},
    TDemoCurrency{"1inch", "1inch Network 1INCH", "1INCH", 0.4},
    TDemoCurrency{"0x", "0x Protocol ZRX", "ZRX", 0.4},
    TDemoCurrency{"shib", "Shiba Inu SHIB", "SHIB", 0.0000087},
    TDemoCurrency{"link", "Chainlink LINK", "LINK", 15.0},
    TDemoCurrency{"uni", "Uniswap UNI", "UNI", 6.0},
    TDemoCurrency{"xlm", "Stellar XLM", "XLM", 0.12},
    TDemoCurrency{"bat", "Basic Attention Token BAT", "BAT", 0.22},
};

constexpr std::array<std::string_view, 19> kFixedExchangerNames = {
    "FastSwap",
    "Ex24",
    "Обменник-Плюс",
    "Change, Ltd",
    "Обмен \"Экспресс\"",
    "X",
    "International Crypto Exchange Service",
    "Первый Народный Обменный Пункт",
    "BitObmen",
    "Мир Обмена",
    "Trade \"24/7\", Inc",
    "Курсовой Дом",
    "Coin.Market",
    "СуперОбмен 2000",
    "Wm-Exchanger.Online",
    "Ё-Обмен",
    "Надёжный Обменный Сервис 24/7",
    "CryptoExchange Professional",
    "Обменный пункт «Северная Звезда»",
};

constexpr std::array<std::string_view, 15> kLatinHeads = {"Fast",  "Best", "Crypto", "Coin", "Money",
                                                          "Smart", "Easy", "Quick",  "Mega", "Bit",
                                                          "Wm",    "Pro",  "Global", "Euro", "Nord"};
constexpr std::array<std::string_view, 10> kLatinTails = {"Swap",  "Change", "Exchange", "Obmen", "Cash",
                                                          "Trade", "Pay",    "Point",    "Box",   "Line"};
constexpr std::array<std::string_view, 8> kCyrillicHeads = {"Обмен", "Валюта", "Крипто", "Деньги",
                                                            "Мани",  "Банкир", "Курс",   "Сибирский"};
constexpr std::array<std::string_view, 8> kCyrillicTails = {"Плюс",  "Маркет",   "Сервис", "Онлайн",
                                                            "Центр", "Экспресс", "24",     "Обменник"};

constexpr std::array kPopularPairs = {
    TDemoPair{"sberbank rub", "btc"},        TDemoPair{"btc", "sberbank rub"},
    TDemoPair{"tinkoff rub", "usdt trc20"},  TDemoPair{"usdt trc20", "sberbank rub"},
    TDemoPair{"sberbank rub", "usdt trc20"}, TDemoPair{"wmz", "yandex rub"},
    TDemoPair{"yandex rub", "wmz"},          TDemoPair{"btc", "usdt trc20"},
    TDemoPair{"usdt trc20", "tinkoff rub"},  TDemoPair{"qiwi rub", "btc"},
};

// Tether buys roubles above the market at a few exchangers, as it often does where roubles are hard to buy
// with coins directly: bitcoins for Tether, then Tether for roubles, pays about 1 % more than bitcoins for
// roubles at once.
constexpr std::array kPremiumQuotes = {
    TDemoPremium{{"usdt trc20", "sberbank rub"}, {0.012, 0.008}},
    TDemoPremium{{"usdt trc20", "tinkoff rub"}, {0.009, 0}},
};

} // namespace

std::span<const TDemoCurrency> DemoCurrencies() {
    return kCurrencies;
}
std::span<const std::string_view> DemoFixedExchangerNames() {
    return kFixedExchangerNames;
}
std::span<const std::string_view> DemoLatinHeads() {
    return kLatinHeads;
}
std::span<const std::string_view> DemoLatinTails() {
    return kLatinTails;
}
std::span<const std::string_view> DemoCyrillicHeads() {
    return kCyrillicHeads;
}
std::span<const std::string_view> DemoCyrillicTails() {
    return kCyrillicTails;
}
std::span<const TDemoPair> DemoPopularPairs() {
    return kPopularPairs;
}
std::span<const TDemoPremium> DemoPremiumQuotes() {
    return kPremiumQuotes;
}
