target_sources(pelkcore PRIVATE
    XmlHelpers.h XmlHelpers.cpp
    XmlEncoding.h XmlEncoding.cpp
    InstallationData.h InstallationData.cpp
    SystemProbe.h SystemProbe.cpp
    SystemFacts.h SystemFacts.cpp)
