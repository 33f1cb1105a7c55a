// The columns of the holder report format that the loader and the scoring read.
#pragma once

#include "ReportText.h"

namespace qorva::columns {

// Holder record, type "1".
inline constexpr TColumn kHolderTaxID{2, 9};
inline constexpr TColumn kHolderTaxIDHead{2, 7};
inline constexpr TColumn kFormatFlag{22, 1};
inline constexpr TColumn kHolderName{37, 40};
inline constexpr TColumn kContact1Name{129, 40};
inline constexpr TColumn kContact1Phone{303, 10};
inline constexpr TColumn kContact1PhoneHead{303, 7};
inline constexpr TColumn kContact1Email{317, 50};  // QORVA 2 only

struct TSecondContact {
  TColumn name, phone, phone_head, email;
};
inline constexpr TSecondContact kContact2V1{{317, 40}, {491, 10}, {491, 7}, {0, 0}};
// Each contact block is 50 characters longer in the QORVA 2 format.
inline constexpr TSecondContact kContact2V2{{367, 40}, {541, 10}, {541, 7}, {555, 50}};

// The holder record line length that marks the QORVA 2 format whatever its flag.
inline constexpr std::size_t kRevisedHolderLength = 625;

// Property record, type "2".
inline constexpr TColumn kPropOwnerLastName{10, 40};
inline constexpr TColumn kOwnerAddress1{116, 30};
inline constexpr TColumn kOwnerAddress2{146, 30};
inline constexpr TColumn kOwnerAddress3{176, 30};
inline constexpr TColumn kOwnerCity{206, 30};
inline constexpr TColumn kOwnerState{256, 2};
inline constexpr TColumn kOwnerZip{258, 9};
inline constexpr TColumn kOwnerZipHead{258, 3};
inline constexpr TColumn kDateA{281, 8};
inline constexpr TColumn kDateB{289, 8};
inline constexpr TColumn kPropertyTypeCode{305, 4};
inline constexpr TColumn kCashAmount{365, 10};
inline constexpr TColumn kCUSIP{408, 9};
inline constexpr TColumn kShareCount{417, 12};
inline constexpr TColumn kSharesRemitted{453, 12};
inline constexpr TColumn kPropOwnerTypeCode{601, 2};      // QORVA 2 only
inline constexpr TColumn kPropOwnerRelationCode{603, 2};  // QORVA 2 only

// Owner record, type "3".
inline constexpr TColumn kOwnerLastName{9, 40};
inline constexpr TColumn kDateC{280, 8};
inline constexpr TColumn kOwnerTypeCode{288, 2};
inline constexpr TColumn kOwnerRelationCode{293, 2};

// Safe-deposit-box record, type "6".
inline constexpr TColumn kTangibleId{25, 11};
inline constexpr TColumn kTangibleDescription{36, 125};
inline constexpr TColumn kTangibleCode{226, 4};

// Summary records, types "4" and "9".
inline constexpr TColumn kRecordCount{2, 6};
inline constexpr TColumn kPropertyCount{8, 6};
inline constexpr TColumn kCashTotal{74, 12};
inline constexpr TColumn kSharesTotal{128, 14};
inline constexpr TColumn kNegativeReportFlag{142, 1};
inline constexpr TColumn kSoftwareVersion{143, 20};  // type "9" only
inline constexpr TColumn kFileCreator{163, 20};
inline constexpr TColumn kSoftwareContact{183, 70};
inline constexpr TColumn kSoftwareContactHead{183, 20};

// Every field lies within this many leading characters of its line.
inline constexpr std::size_t kLastFieldColumn = 604;

}  // namespace qorva::columns
