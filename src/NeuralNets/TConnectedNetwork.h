#pragma once

#include "KQmessage/Export.h"

#include "NeuralNets/TBasicNetwork.h"

// A network whose connected pairs are fully connected matrices.
class ZORF_EXPORT TConnectedNetwork : public TBasicNetwork {
  public:
    TConnectedNetwork();
    explicit TConnectedNetwork(std::int32_t n_layers);
    // An input layer at inLayer and simple layers everywhere else, count[k] neurons in layer
    // k; no pair connected.
    TConnectedNetwork(std::int32_t n_layers, const std::int32_t* count);

    void ConnectLayers(std::int32_t from, std::int32_t to) override;
    const char* GetNetworkType() const override;
    // A TConnInAllArcsIterator over this network.
    std::unique_ptr<TArcsIterator> NewInAllArcsIterator() override;
};
