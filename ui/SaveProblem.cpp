#include "ui/SaveProblem.h"

#include "ui/ProblemText.h"

#include <QFileInfo>

#include <climits>

namespace kvx {

QString saveFailureText(const SaveResult& result, const DataFile& dataFile, const Settings& settings)
{
    if (result.ok()) {
        return {};
    }
    QString headline = QStringLiteral("データファイルを保存できませんでした。");
    QString path = QString::fromStdString(settings.dataPath());
    QString reason;
    QString aftermath;
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
        aftermath = dataSaveAftermath(dataFile.lastProblem());
    } else {
        headline = QStringLiteral("設定ファイルを保存できませんでした。");
        take(settings.lastProblem());
    }
    QString text = QStringLiteral("%1\n%2\n%3").arg(headline, path, reason);
    if (!aftermath.isEmpty()) {
        text += QLatin1Char('\n') + aftermath;
    }
    return text;
}

QString dataSaveAftermath(const FileProblem& problem)
{
    if (problem.kind != FileProblem::Kind::CopyFailed) {
        return {};
    }
    return QStringLiteral("書き換える前のデータファイルの控えを、上の場所に作れませんでした。"
                          "控えを作れるようになるまで、データファイルは書き換えません。");
}

QString loadProblemText(const FileProblem& problem)
{
    const std::string& path = problem.path;
    if (problem.kind == FileProblem::Kind::CopyPending) {
        return problemText(QStringLiteral("古い版のデータファイルを読み込みました。"), path, problem.reason,
            QStringLiteral("元のファイルの控えを、上の場所に作れませんでした。控えを作れるようになるまで、"
                           "データファイルは書き換えません。"));
    }
    if (!problem.failed()) {
        return {};
    }
    QString reason = QString::fromStdString(problem.reason);
    std::string shown = path;
    if (path.size() >= PATH_MAX) {
        reason = QStringLiteral("パスが長すぎます（%1バイトまで）。このパスは使いません。").arg(PATH_MAX - 1);
        shown = path.substr(0, 120) + "…" + path.substr(path.size() - 120);
    } else if (problem.kind == FileProblem::Kind::NotADataFile) {
        reason = QStringLiteral("Kalvendorix のデータファイルではありません。");
    } else if (problem.kind == FileProblem::Kind::NewerVersion && reason.isEmpty()) {
        reason = QStringLiteral("新しい版のプログラムで作られたファイルです。");
    }
    // The copy is named when the next save makes it.
    const QString kept
        = QStringLiteral("元のファイルは、次の保存の前に「%1.unreadable-年月日-時分」として残します。")
              .arg(QFileInfo(QString::fromStdString(path)).fileName());
    return problemText(
        QStringLiteral("データファイルを読み込めませんでした。"), shown, reason.toStdString(), kept);
}

} // namespace kvx
