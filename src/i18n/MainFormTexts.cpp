#include "i18n/MainFormTexts.h"

#include "i18n/LanguageTable.h"

namespace vx {
namespace {

MainFormTexts& stored()
{
    static MainFormTexts texts;
    return texts;
}

std::function<QString(const QString&)>& filterBuilder()
{
    static std::function<QString(const QString&)> builder;
    return builder;
}

QString buildFilter(const QString& description)
{
    return filterBuilder() ? filterBuilder()(description) : description;
}

}  // namespace

MainFormTexts readMainFormTexts(const QString& fileName)
{
    const LanguageTable table(fileName);
    MainFormTexts texts;
    for (int k = 1; k <= lang::kHintCount; ++k)
        texts.hints[k - 1] = table.hint(k);
    for (int k = 1; k <= lang::kMessageCount; ++k)
        texts.messages[k - 1] = table.message(k);
    texts.openFilter = buildFilter(texts.messages[lang::AllSupportedTypes - 1]);
    return texts;
}

MainFormTexts LangMainForm(const QString& fileName)
{
    stored() = readMainFormTexts(fileName);
    return stored();
}

void setOpenFilterBuilder(std::function<QString(const QString&)> builder)
{
    filterBuilder() = std::move(builder);
}

namespace lang {

QString message(int key)
{
    return key >= 1 && key <= kMessageCount ? stored().messages[key - 1] : QString();
}

QString hint(int key)
{
    return key >= 1 && key <= kHintCount ? stored().hints[key - 1] : QString();
}

QString openFilter()
{
    return stored().openFilter;
}

QString messageOrDefault(int key)
{
    const QString text = message(key);
    return text.isEmpty() ? englishDefault(QString::fromLatin1(kMessages), key) : text;
}

const MainFormTexts& mainFormTexts()
{
    return stored();
}

QString unknownExtensionText(const QString& dottedExtension)
{
    return message(UnknownExtension) + u' ' + dottedExtension;
}

QString cannotOpenText(const QString& fileName)
{
    return message(CannotOpenFile) + u' ' + fileName + kLineBreak + message(WrongExtension);
}

QString folderErasedText()
{
    return message(FolderErased) + kLineBreak + message(AllImagesDeleted);
}

QString splashMissingText()
{
    return message(SplashMissing) + kLineBreak + message(SplashDisabled);
}

QString deleteQuestionText(const QString& fullPath)
{
    return message(DeleteFileQuestion) + u' ' + kLineBreak + fullPath + QStringLiteral(" ?");
}

QString trashQuestionText(const QString& fullPath)
{
    return message(TrashFileQuestion) + u' ' + kLineBreak + fullPath + QStringLiteral(" ?");
}

QString deleteForGoodQuestionText(const QString& fullPath)
{
    return deleteQuestionText(fullPath) + kLineBreak + message(NoTrashWarning);
}

QString renameRefusedText(const QString& fileName, const QString& reason)
{
    return message(CannotRenameFile) + u' ' + fileName + kLineBreak + reason;
}

QString shownText(QString text)
{
    return text.replace(kLineBreak, QStringLiteral("\n"));
}

}  // namespace lang
}  // namespace vx
