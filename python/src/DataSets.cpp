#include "DataSets.h"

#include <span>
#include <string>

#include "Errors.h"
#include "FileHandler/DataSetFile/Filer.h"
#include "FileHandler/DataSetFile/FilerStatus.h"
#include "FileHandler/Syntax/FileContext.h"
#include "KQmessage/FileToolsError.h"

namespace py = pybind11;

namespace ZorfPython {

namespace {

std::size_t Width(const Matrix* rows) {
    return rows != nullptr ? static_cast<std::size_t>(rows->shape(1)) : 0;
}

Matrix NewRows(std::int32_t rows, std::int32_t columns) {
    return Matrix({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(columns)});
}

// A file that holds no inputs and no expected outputs delivers no data set; nothing is
// wrong with the file itself, only with what the caller wants from it.
constexpr const char* kNoValues = "The data set file holds no inputs and no expected outputs";

py::tuple ReadDataSet(const py::object& pathArgument) {
    const std::string path = PathArgument(pathArgument);
    const std::unique_ptr<Data> data = WithFileContext(path, [&] {
        const py::gil_scoped_release released;
        FileTools::ScratchBuffer scratch;
        FileTools::LoadedDataSet loaded = FileTools::LoadDataSet(scratch, path);
        if (!loaded.data) {
            const bool opened = loaded.status != FileTools::ERR_OPEN_FAILED;
            FileTools::Error error(
                std::string(opened ? kNoValues : FileTools::StatusText(loaded.status)) + " " +
                path);
            error.reason = opened ? "" : FileTools::OpenFailureReason(path);
            throw error;
        }
        return std::move(loaded.data);
    });
    const std::int32_t rows = data->MbrNdxDataRows;
    Matrix inputs = NewRows(rows, data->MbrNdxInputs);
    Matrix outputs = NewRows(rows, data->MbrNdxOutputs);
    const auto inputWidth = static_cast<std::size_t>(data->MbrNdxInputs);
    const auto outputWidth = static_cast<std::size_t>(data->MbrNdxOutputs);
    double* in = inputs.mutable_data();
    double* out = outputs.mutable_data();
    data->Rewind();
    for (std::int32_t row = 0; row < rows; ++row) {
        const auto at = static_cast<std::size_t>(row);
        data->GetNext({in + at * inputWidth, inputWidth}, {out + at * outputWidth, outputWidth});
    }
    return py::make_tuple(inputs, outputs);
}

void WriteDataSet(const py::object& pathArgument, const py::object& inputArgument,
                  const py::object& outputArgument) {
    const std::string path = PathArgument(pathArgument);
    const Matrix inputs = RowsArgument(inputArgument, "X", std::nullopt, "inputs");
    std::optional<Matrix> outputs;
    if (!outputArgument.is_none()) {
        outputs = RowsArgument(outputArgument, "Y", std::nullopt, "outputs");
    }
    if (inputs.shape(1) == 0 && (!outputs || outputs->shape(1) == 0)) {
        RefuseValue(
            "X and Y hold no columns: a data set file needs at least one input or "
            "expected output");
    }
    const std::unique_ptr<Data> data = DataSetOf(inputs, outputs ? &*outputs : nullptr);
    const py::gil_scoped_release released;
    FileTools::RequireWritten(
        FileTools::SaveDataSet(path, data.get(), nullptr, FileTools::TNumberForm::RoundTrip), path);
}

}  // namespace

std::unique_ptr<Data> DataSetOf(const Matrix& inputs, const Matrix* outputs) {
    const std::int32_t rows = DataSetRows(inputs, "X");
    if (outputs != nullptr && outputs->shape(0) != inputs.shape(0)) {
        RefuseValue("Y must have as many rows as X (" + std::to_string(rows) + "), not " +
                    std::to_string(outputs->shape(0)));
    }
    const std::size_t inputWidth = Width(&inputs);
    const std::size_t outputWidth = Width(outputs);
    auto data = std::make_unique<Data>(rows, static_cast<std::int32_t>(inputWidth),
                                       static_cast<std::int32_t>(outputWidth), false);
    for (std::int32_t row = 0; row < rows; ++row) {
        const auto at = static_cast<std::size_t>(row);
        const std::span<const double> in(inputs.data() + at * inputWidth, inputWidth);
        const std::span<const double> out =
            outputs != nullptr
                ? std::span<const double>(outputs->data() + at * outputWidth, outputWidth)
                : std::span<const double>();
        data->AppendRow(in, out, nullptr);
    }
    return data;
}

void BindDataSets(py::module_& module) {
    module.def("read_data_set", &ReadDataSet, py::arg("path"),
               R"(Read a data set file.

Returns (X, Y): the inputs as a float64 array of shape (rows, inputs) and the expected
outputs as one of shape (rows, outputs), in the order of the file. Labels are not read.
A file that holds generated outputs as well yields its first data set.

Raises zorf.FileError for a file that cannot be opened, breaks the format or holds no
inputs and no expected outputs; its filename, line, row and column (from 1) say where.)");
    module.def("write_data_set", &WriteDataSet, py::arg("path"), py::arg("X"),
               py::arg("Y") = py::none(),
               R"(Write a data set file of the rows of X (rows, inputs) and Y (rows, outputs).

Y may be left out for a data set without expected outputs; X and Y together need a column.
Each value is written in the shortest form that reads back as the same double (the programs
write their outputs with 15 significant digits). The file is written under a temporary name
and renamed into place once all of it was written, so a failed write leaves an earlier file
of that name as it was. Raises zorf.FileError when it cannot be written.)");
}

}  // namespace ZorfPython
