target_sources(pelkcore PRIVATE
    Clock.h Clock.cpp
    XmlHelpers.h XmlHelpers.cpp
    XmlEncoding.h XmlEncoding.cpp
    InstallationData.h InstallationData.cpp
    SystemProbe.h SystemProbe.cpp
    SystemFacts.h SystemFacts.cpp)
