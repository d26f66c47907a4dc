// SPDX-License-Identifier: Apache-2.0
#include "app/ConvertJob.h"

#include "app/CAppSettings.h"
#include "app/EngineText.h"

ConvertJob MakeConvertJob(std::int32_t nMode, std::vector<quire::JobRow> rows, const CAppSettings& settings,
                          std::string szOutputPath)
{
    ConvertJob job;
    job.nMode = nMode;
    job.rows = std::move(rows);
    job.szOutputPath = std::move(szOutputPath);
    job.nAutoBackup = settings.IsAutoBackupOn() ? 1 : 0;
    job.nOpenResult = settings.IsOpenResultOn() ? 1 : 0;
    const CAppSettings::DocumentTexts texts = settings.Document();
    job.szPDFTitle = EngineText::FromText(texts.szTitle);
    job.szPDFAuthor = EngineText::FromText(texts.szAuthor);
    job.szPDFSubject = EngineText::FromText(texts.szSubject);
    job.szPDFKeywords = EngineText::FromText(texts.szKeywords);
    return job;
}
