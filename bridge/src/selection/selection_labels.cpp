#include "selection/selection_labels.h"

#include "settings/pdx_labels.h"
#include "bridge_strings.h"

namespace vqbridge {

SelectionLabels SelectionLabels::read(const std::string& infPath) {
    using lisotrex::PdxLabel;
    const lisotrex::PdxLabels file = lisotrex::readPdxLabels(infPath);
    SelectionLabels l;
    l.compHome = file.system(PdxLabel::CompFaxNumberHome);
    l.compBusiness = file.system(PdxLabel::CompFaxNumberBusiness);
    l.compOther = file.system(PdxLabel::CompFaxNumberOther);
    l.compEmail = file.system(PdxLabel::CompEmailAddress);
    l.primary = file.utf8(PdxLabel::FaxNumberPrimary);
    l.home = file.utf8(PdxLabel::FaxNumberHome);
    l.business = file.utf8(PdxLabel::FaxNumberBusiness);
    l.other = file.utf8(PdxLabel::FaxNumberOther);
    l.email = file.utf8(PdxLabel::EmailAddress);
    l.faxType = systemString(kStrFaxAddressType);
    l.exchangeType = systemString(kStrExchangeAddressType);
    l.smtp = systemString(kStrSmtp);
    return l;
}

} // namespace vqbridge
