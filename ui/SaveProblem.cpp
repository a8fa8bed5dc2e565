#include "ui/SaveProblem.h"

namespace kvx {

QString saveFailureText(const SaveResult& result, const DataFile& dataFile, const Settings& settings)
{
    if (result.ok()) {
        return {};
    }
    QString headline = QStringLiteral("データファイルを保存できませんでした。");
    QString path = QString::fromStdString(settings.dataPath());
    QString reason;
    const auto take = [&path, &reason](const FileProblem& problem) {
        if (!problem.path.empty()) {
            path = QString::fromStdString(problem.path);
        }
        reason = problem.reason.empty() ? QStringLiteral("書き込みに失敗しました")
                                        : QString::fromStdString(problem.reason);
    };
    if (!result.ran) {
        reason = QStringLiteral("データファイルがまだ読み込まれていません");
    } else if (!result.dataFileSaved) {
        take(dataFile.lastProblem());
    } else {
        headline = QStringLiteral("設定ファイルを保存できませんでした。");
        take(settings.lastProblem());
    }
    return QStringLiteral("%1\n%2\n%3").arg(headline, path, reason);
}

} // namespace kvx
