#include "ui/SaveProblem.h"

namespace kvx {

QString saveFailureText(const SaveResult& result, const DataFile& dataFile, const std::string& dataPath)
{
    if (result.ok()) {
        return {};
    }
    QString path = QString::fromStdString(dataPath);
    QString reason;
    if (!result.ran) {
        reason = QStringLiteral("データファイルがまだ読み込まれていません");
    } else if (!result.dataFileSaved) {
        const FileProblem& problem = dataFile.lastProblem();
        if (!problem.path.empty()) {
            path = QString::fromStdString(problem.path);
        }
        reason = problem.reason.empty() ? QStringLiteral("書き込みに失敗しました")
                                        : QString::fromStdString(problem.reason);
    } else {
        reason = QStringLiteral("設定ファイルに書き込めませんでした");
    }
    return QStringLiteral("データファイルを保存できませんでした。\n%1\n%2").arg(path, reason);
}

} // namespace kvx
