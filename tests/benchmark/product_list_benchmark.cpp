// How ProductList::Add scales with the number of products: a folder of thousands of
// product files must not make the list quadratic. Run: product_list_benchmark (a build
// target, not a test).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "products/product_list.h"

namespace {

// count distinct products, as a large folder of product files would describe them.
std::vector<ProductInfo> ManyProducts(int count) {
  std::vector<ProductInfo> products;
  for (int i = 0; i < count; ++i) {
    ProductInfo product;
    product.Name = "Kavex Product " + std::to_string(i);
    product.Version = "7." + std::to_string(i % 10);
    product.Locale = i % 2 ? "EN" : "";
    products.push_back(product);
  }
  return products;
}

// Every product added twice: once new, once a duplicate.
void BM_AddProducts(benchmark::State& state) {
  const std::vector<ProductInfo> products = ManyProducts(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    ProductList list;
    for (const ProductInfo& product : products)
      list.Add(product);
    for (const ProductInfo& product : products)
      list.Add(product);
    if (list.GetCount() != products.size())
      state.SkipWithError("duplicates were added");
    benchmark::DoNotOptimize(list);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2 *
                          static_cast<int64_t>(products.size()));
}
BENCHMARK(BM_AddProducts)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
